#pragma once
// Terminal output must not carry a device's or a file's control characters: an escape sequence in a
// device name could retitle, recolour or rewrite the user's terminal.
#include <string>
#include <string_view>

namespace tavrel {

// Streams UTF-8 text through, with every C0 and C1 control character and DEL shown as '?'. Tab, line
// feed and a carriage return right before a line feed (CSV line ends) stay. Text may come in any
// number of pieces; a character split between two pieces is judged whole.
class PrintableFilter {
  public:
    std::string feed(std::string_view piece);
    // What was held back at the end (a lone carriage return, half a C1 character).
    std::string finish();

  private:
    std::string held_;
};

// One whole text, filtered.
std::string printable(std::string_view text);

}  // namespace tavrel
