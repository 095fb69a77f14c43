// The bytes of the file exchange formats, and reading them back:
//  - the file drop list: a 20-byte header (file-list offset 20, point 0,0, non-client
//    flag 0, wide flag 0), each path as 8-bit text with its zero, one final zero;
//  - the name maps: each display name with its zero and one final zero, in 8-bit
//    text or in UTF-16;
//  - the preferred drop effect: one 32-bit little-endian value.
// Text is CP932 like all text of the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::size_t kDropFilesHeaderSize = 20;

std::vector<std::uint8_t> BuildHDrop(const std::vector<std::string>& files);
std::vector<std::uint8_t> BuildFileNameMap(const std::vector<std::string>& names);
std::vector<std::uint8_t> BuildFileNameMapW(const std::vector<std::string>& names);
std::vector<std::uint8_t> BuildPreferredDropEffect(std::uint32_t effect);

// The paths of a file drop list, 8-bit or UTF-16 as its wide flag says, up to the
// first empty name.  A block shorter than the header, an offset outside the block or
// a name without its zero end the list there.
std::vector<std::string> ReadHDrop(const std::vector<std::uint8_t>& block);
// The names of a name map, up to the first empty name.
std::vector<std::string> ReadFileNameMap(const std::vector<std::uint8_t>& block);
std::vector<std::string> ReadFileNameMapW(const std::vector<std::uint8_t>& block);
// 0 for a block shorter than four bytes.
std::uint32_t ReadPreferredDropEffect(const std::vector<std::uint8_t>& block);
