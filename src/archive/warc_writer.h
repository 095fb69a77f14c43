// WARC 1.1 output (ISO 28500) for web archives: every cached object becomes one record,
// `response` when the cache kept HTTP header lines for it, else `resource`; one gzip
// member per record, so that readers can seek to any record; an optional CDXJ index.
// Body bytes are written exactly as cached.  Text in is ANSI (CP932) bytes; WARC
// header fields are written as ASCII/UTF-8 as the format asks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_time.h"

class TWebCacheSource;

// "sha1:" + the RFC 4648 base32 form of the SHA-1 of `bytes`.
std::string WarcSha1Digest(std::string_view bytes);
// RFC 4648 base32 (upper case, with '=' padding to a multiple of 8 characters).
std::string Base32Encode(std::string_view bytes);

// A URL as a WARC-Target-URI: bytes outside printable ASCII (a Shift_JIS path, a
// blank) are percent-escaped, existing escapes stay as they are.
std::string WarcTargetUri(std::string_view ansiUrl);

// "1999-03-04T12:30:00Z" for a UTC file time.
std::string WarcDate(platform::FILETIME utc);

// The sort key of a URL in a CDX(J) index: host reversed with commas and without a
// leading "www.", default port dropped, ")" then path and query, lower case, query
// arguments sorted, no fragment.  "http://www.Example.co.jp/A?b=1&a=2" gives
// "jp,co,example)/a?a=2&b=1".
std::string SurtKey(std::string_view uri);

// The HTTP header of a response record built from the header lines the cache stored:
// a stored status line is kept (else "HTTP/1.0 200 OK", the only kind of answer the
// browser kept), lines without a name are dropped, Content-Length is set to
// `bodySize`, Transfer-Encoding is dropped (the cache holds the decoded body), and
// Content-Encoding is kept only when the body still carries that encoding.  Lines end
// in CR LF; the result ends with the empty line.  `status` receives the status code.
std::string MakeHttpResponseHeader(std::string_view storedHeader, std::string_view body,
                                   int* status = nullptr);

// True when the stored header holds an HTTP header line of its own (a status line or
// any line other than Content-Type, which the browser keeps in a field of its own).
bool HasStoredHttpHeader(std::string_view storedHeader);

class TWarcWriter {
 public:
  TWarcWriter();
  ~TWarcWriter();
  TWarcWriter(const TWarcWriter&) = delete;
  TWarcWriter& operator=(const TWarcWriter&) = delete;

  // Creates `path` (ANSI); false with LastError set when it cannot be created.
  bool Open(const std::string& path);
  // Flushes and closes; false when anything could not be written.
  bool Close();
  bool IsOpen() const { return file_ != nullptr; }

  // The warcinfo record; `fields` are "name: value" lines without line ends (UTF-8).
  // Later records refer to it.
  bool WriteWarcInfo(const std::vector<std::string>& fields);
  // A response record: `storedHeader` as the cache kept it (see MakeHttpResponseHeader).
  bool WriteResponse(std::string_view ansiUrl, platform::FILETIME date,
                     std::string_view storedHeader, std::string_view body);
  // A resource record with `contentType` (empty: application/octet-stream).
  bool WriteResource(std::string_view ansiUrl, platform::FILETIME date,
                     std::string_view contentType, std::string_view body);

  // The CDXJ index of the records written so far, sorted, each line ending in LF.
  // `fileName` is what the lines name as the WARC file.
  std::string CdxjIndex(std::string_view fileName) const;

  std::uint64_t BytesWritten() const { return offset_; }
  std::size_t RecordCount() const { return records_; }

 private:
  struct CdxLine {
    std::string Key;  // SURT key and timestamp, for sorting
    std::string Json;
  };
  // What a response or resource record says about its capture.
  struct Capture {
    const char* Type = "";
    std::string_view AnsiUrl;
    platform::FILETIME Date = 0;
    std::string ContentType;  // of the block
    int Status = 0;           // HTTP status; 0 for resources
    std::string BlockDigest, PayloadDigest;
    std::string Mime;         // for the index
  };
  bool WriteCapture(const Capture& capture, std::string_view blockHead, std::string_view body);
  bool WriteRecord(std::string_view warcHeader, std::string_view blockHead,
                   std::string_view payload);
  std::string NewRecordId();

  std::FILE* file_ = nullptr;
  bool failed_ = false;
  std::uint64_t offset_ = 0;
  std::size_t records_ = 0;
  std::string warcinfoId_;
  std::vector<CdxLine> cdx_;
  struct Deflater;
  std::unique_ptr<Deflater> deflater_;
};

// Which objects go into a cache export and what became of them.
struct TWarcExportOptions {
  std::vector<std::string> Prefixes;  // ANSI URL prefixes; empty = every object
  std::string SourceDescription;      // the cache, for the warcinfo record (UTF-8)
  std::string Software;               // program name and version (UTF-8)
};

struct TWarcExportResult {
  std::size_t Responses = 0;
  std::size_t Resources = 0;
  std::size_t Unreadable = 0;  // body files that could not be read
  std::uint64_t BodyBytes = 0;
  std::uint64_t FileBytes = 0;
  std::string FirstError;      // ANSI path of the first unreadable body
};

// Writes the objects of `source` that TWebCache would deliver (known schemes, no
// cookies or history) and that match a prefix (compared ignoring case) into `writer`,
// after a warcinfo record.  Each record is dated by the entry's last visit (else its
// last modification, else the body file's time).  False when the WARC could not be
// written; unreadable bodies are counted and skipped.
bool WriteCacheWarc(TWebCacheSource& source, const TWarcExportOptions& options,
                    TWarcWriter& writer, TWarcExportResult& result);
