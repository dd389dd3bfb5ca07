#pragma once
// UTF-8 as our texts hold it: counting and cutting by characters (code points), never inside
// one, and making a name read from the file system valid to show. A byte that does not
// continue a sequence (10xxxxxx) starts a character; a stray continuing byte belongs to the
// character before it.
#include <cstddef>
#include <string>
#include <string_view>

namespace plat {

// How many characters `text` holds.
std::size_t Utf8Length(std::string_view text);

// The last `count` characters of `text`; all of it when it holds no more.
std::string_view Utf8Tail(std::string_view text, std::size_t count);

// Copies `text` (read at most `size` bytes far) into a buffer of `size` bytes with its NUL,
// cutting a text that is too long at a character boundary, never inside a character.
void CopyTextCut(char* buffer, std::size_t size, const char* text);

// `bytes` as valid UTF-8: each byte that does not begin a valid sequence becomes U+FFFD.
std::string ToValidUtf8(std::string_view bytes);

} // namespace plat
