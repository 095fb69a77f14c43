// Helpers for the code-conversion tests: outside converters (glibc iconv, nkf,
// coreutils base64, sharutils uuencode) serve as the independent reference.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace jtest {

// Converts with glibc iconv; nullopt when iconv rejects any of the input.
std::optional<std::string> Iconv(const char* from, const char* to, std::string_view in);

// Runs `command` through the shell with `input` on standard input and returns its
// standard output; nullopt when the command cannot be run or exits non-zero.
std::optional<std::string> RunFilter(const std::string& command, std::string_view input);

// True when `program` is found on PATH.
bool HaveProgram(const std::string& program);

// Replaces every occurrence of `from` in `s` by `to`.
std::string ReplaceAll(std::string s, std::string_view from, std::string_view to);

}  // namespace jtest
