#pragma once
// Device texts are raw bytes in whatever encoding the device was given. The form shows them as
// UTF-8; what the user did not edit must go back byte for byte, not through that conversion.
#include <string>
#include <string_view>

#include "util/Bytes.h"

namespace tavrel {

// Well-formed UTF-8 for showing a device text: every byte that does not belong to a well-formed
// sequence becomes U+FFFD, so that showing it and reading it back from a widget loses nothing more.
std::string shownText(std::string_view raw);

// Whether `text` is what the field holds or what the form shows for it: then the field keeps every
// byte as read, those after its first zero included.
template <std::size_t N>
bool isUnedited(const FixedText<N>& field, std::string_view text) {
    const std::string held = textOf(field);
    return text == held || text == shownText(held);
}

// Stores an edited text (cut to the field); an unedited one leaves the field as read.
template <std::size_t N>
void storeEdited(FixedText<N>& field, std::string_view text) {
    if (!isUnedited(field, text)) setText(field, text);
}

}  // namespace tavrel
