#ifndef ZAR_APP_DISPLAY_NAME_H_
#define ZAR_APP_DISPLAY_NAME_H_

#include <string>

namespace zar {

// The text that shows a file name to the person reading the output, so that
// no name can start a line of its own, move the cursor or hide what follows.
// Each byte 0x00 to 0x1F and 0x7F, each byte of a C1 control character
// (U+0080 to U+009F, bytes C2 80 to C2 9F in UTF-8) and each byte that is not
// part of a valid UTF-8 sequence (overlong forms, surrogates and code points
// above U+10FFFF are not valid) becomes "\x" and two lowercase hex digits;
// every other byte is kept, so printable text of every script shows as it
// is. Backslashes are kept too: a name that holds the four characters "\x0a"
// shows exactly as one that holds a line break. Pure; may throw
// std::bad_alloc.
std::string DisplayName(const std::string& name);

}  // namespace zar

#endif  // ZAR_APP_DISPLAY_NAME_H_
