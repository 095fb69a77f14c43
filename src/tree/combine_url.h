// Resolution of a link against the URL of the page that holds it, giving the same
// absolute URLs as the Windows Internet library's URL combination: reference
// resolution with "." and ".." steps removed, backslashes in web paths taken as
// slashes, and unsafe characters (blanks, control characters, quotes, angle brackets
// and the like) percent-escaped.  Existing escapes and CP932 text are left as they are.
#pragma once

#include <string>
#include <string_view>

// The absolute URL that `link` names when found in the page at `baseUrl`.  A link
// with a scheme of its own is returned (cleaned) as it is.  Schemes are compared
// ignoring case; a link that repeats the base's web scheme without a host
// ("http:page.html") is taken as relative, as browsers of the time did.
std::string CombineUrl(std::string_view baseUrl, std::string_view link);

// The path with "." and ".." segments removed (the reference-resolution rule).
std::string RemoveDotSegments(std::string_view path);

// Percent-escapes the bytes that may not stand in a URL as they are (control
// characters, blank, '"', '<', '>', '\\', '^', '`', '{', '|', '}', DEL).  Bytes of
// double-byte characters, '%' and the URL delimiters are kept.
std::string EscapeUnsafeUrlChars(std::string_view text);
