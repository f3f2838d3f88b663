#pragma once
// The passwords a device hands out (account, cloud, WiFi AP and STA) are printed masked unless the
// user asks for them, so they do not land in scroll-back, logs or CI output. Writes always take the
// record's real values; masking is for what is shown only.
#include <cstdint>
#include <string>
#include <string_view>

namespace tavrel {

enum class SecretDisplay : std::uint8_t { Masked, Shown };

// The same stars whatever the value, so not even its length shows.
inline constexpr std::string_view kSecretMask = "********";

inline std::string shownSecret(std::string_view value, SecretDisplay display) {
    return std::string(display == SecretDisplay::Shown ? value : kSecretMask);
}

}  // namespace tavrel
