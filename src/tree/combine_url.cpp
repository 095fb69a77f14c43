#include "tree/combine_url.h"

#include <cstring>
#include <optional>

#include "platform/codepage.h"

namespace {

struct UrlParts {
  std::optional<std::string> scheme;     // without ':'
  std::optional<std::string> authority;  // without "//"
  std::string path;
  std::optional<std::string> query;      // without '?'
  std::optional<std::string> fragment;   // without '#'
};

bool IsSchemeChar(char c, bool first) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
  if (first) return false;
  return (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// Splits a URL reference into its five components.  Delimiters are looked for only
// in single-byte positions, so CP932 text in a path never cuts it.
UrlParts Parse(std::string_view s) {
  UrlParts p;
  std::size_t pos = 0;
  // scheme ":" — only when the text before the first ':' is a valid scheme name.
  std::size_t colon = s.find(':');
  if (colon != std::string_view::npos && colon > 0) {
    bool ok = true;
    for (std::size_t i = 0; i < colon && ok; ++i) ok = IsSchemeChar(s[i], i == 0);
    if (ok) {
      p.scheme = std::string(s.substr(0, colon));
      pos = colon + 1;
    }
  }
  std::string_view rest = s.substr(pos);
  std::size_t end = rest.size();
  // Fragment and query, scanning for delimiters in single-byte positions.
  std::size_t hash = platform::AnsiFind(rest, '#');
  if (hash != platform::npos) {
    p.fragment = std::string(rest.substr(hash + 1));
    end = hash;
  }
  std::string_view hier = rest.substr(0, end);
  std::size_t q = platform::AnsiFind(hier, '?');
  if (q != platform::npos) {
    p.query = std::string(hier.substr(q + 1));
    hier = hier.substr(0, q);
  }
  if (hier.size() >= 2 && hier[0] == '/' && hier[1] == '/') {
    std::size_t slash = platform::AnsiFind(hier, '/', 2);
    if (slash == platform::npos) slash = hier.size();
    p.authority = std::string(hier.substr(2, slash - 2));
    hier = hier.substr(slash);
  }
  p.path = std::string(hier);
  return p;
}

std::string Lower(std::string_view s) { return platform::AnsiLowerCase(s); }

bool IsWebScheme(std::string_view scheme) {
  std::string s = Lower(scheme);
  return s == "http" || s == "https" || s == "ftp" || s == "file" || s == "gopher";
}

// Web paths written with backslashes (as some Windows pages do) mean slashes.
std::string SlashesForBackslashes(std::string_view s) {
  std::string out(s);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (platform::AnsiCharLength(out, i) == 2) {
      ++i;
      continue;
    }
    if (out[i] == '\\') out[i] = '/';
  }
  return out;
}

std::string Merge(const UrlParts& base, const std::string& refPath) {
  if (base.authority && base.path.empty()) return "/" + refPath;
  std::size_t slash = platform::AnsiFindLast(base.path, '/');
  if (slash == platform::npos) return refPath;
  return base.path.substr(0, slash + 1) + refPath;
}

std::string Compose(const UrlParts& t) {
  std::string out;
  if (t.scheme) {
    out += *t.scheme;
    out += ':';
  }
  if (t.authority) {
    out += "//";
    out += *t.authority;
  }
  out += t.path;
  if (t.query) {
    out += '?';
    out += *t.query;
  }
  if (t.fragment) {
    out += '#';
    out += *t.fragment;
  }
  return out;
}

}  // namespace

std::string RemoveDotSegments(std::string_view path) {
  std::string in(path);
  std::string out;
  std::size_t i = 0;
  auto startsAt = [&](const char* s) { return in.compare(i, std::strlen(s), s) == 0; };
  auto restIs = [&](const char* s) { return in.compare(i, std::string::npos, s) == 0; };
  auto dropLastSegment = [&] {
    std::size_t slash = out.rfind('/');
    out.erase(slash == std::string::npos ? 0 : slash);
  };
  while (i < in.size()) {
    if (startsAt("../")) {
      i += 3;
    } else if (startsAt("./")) {
      i += 2;
    } else if (startsAt("/./")) {
      i += 2;  // leaves "/" in front
    } else if (restIs("/.")) {
      in.replace(i, 2, "/");
    } else if (startsAt("/../")) {
      i += 3;
      dropLastSegment();
    } else if (restIs("/..")) {
      in.replace(i, 3, "/");
      dropLastSegment();
    } else if (restIs(".") || restIs("..")) {
      i = in.size();
    } else {
      // Move the first segment (with its leading '/', if any) to the output.
      std::size_t next = in.find('/', i + (in[i] == '/' ? 1 : 0));
      if (next == std::string::npos) next = in.size();
      out.append(in, i, next - i);
      i = next;
    }
  }
  return out;
}

std::string EscapeUnsafeUrlChars(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (platform::AnsiCharLength(text, i) == 2) {
      out += text[i];
      out += text[++i];
      continue;
    }
    bool unsafe = c <= 0x20 || c == 0x7F || std::strchr("\"<>\\^`{|}", c) != nullptr;
    if (c == 0) unsafe = true;  // strchr would find the terminator
    if (unsafe) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string CombineUrl(std::string_view baseUrl, std::string_view link) {
  UrlParts base = Parse(baseUrl);
  UrlParts ref = Parse(link);

  // Browsers of the time read "http:x.html" on an http page as a relative link.
  if (ref.scheme && base.scheme && !ref.authority &&
      Lower(*ref.scheme) == Lower(*base.scheme) && IsWebScheme(*ref.scheme)) {
    ref.scheme.reset();
  }
  bool web = ref.scheme ? IsWebScheme(*ref.scheme) : (!base.scheme || IsWebScheme(*base.scheme));
  if (web) ref.path = SlashesForBackslashes(ref.path);

  UrlParts t;
  if (ref.scheme) {
    t = ref;
    // Opaque links (mailto:, javascript:) keep their text; only hierarchical
    // paths have dot segments to resolve.
    if (t.authority || (!t.path.empty() && t.path[0] == '/')) t.path = RemoveDotSegments(t.path);
  } else {
    if (ref.authority) {
      t.authority = ref.authority;
      t.path = RemoveDotSegments(ref.path);
      t.query = ref.query;
    } else {
      if (ref.path.empty()) {
        t.path = base.path;
        t.query = ref.query ? ref.query : base.query;
      } else {
        if (ref.path[0] == '/') {
          t.path = RemoveDotSegments(ref.path);
        } else {
          t.path = RemoveDotSegments(Merge(base, ref.path));
        }
        t.query = ref.query;
      }
      t.authority = base.authority;
    }
    t.scheme = base.scheme;
    t.fragment = ref.fragment;
  }
  if (ref.scheme) t.fragment = ref.fragment;

  // Unsafe characters are escaped in path, query and fragment; scheme and host are
  // kept as written.
  t.path = EscapeUnsafeUrlChars(t.path);
  if (t.query) t.query = EscapeUnsafeUrlChars(*t.query);
  if (t.fragment) t.fragment = EscapeUnsafeUrlChars(*t.fragment);
  return Compose(t);
}
