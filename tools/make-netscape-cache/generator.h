// Builds a large, varied cache description for scale tests and benchmarks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "cache_model.h"

namespace mnc {

struct GenerateOptions {
  std::size_t count = 1000;
  std::uint32_t seed = 1;
  std::size_t bodySize = 2048;    // bytes per body (HTML pages padded, images padded)
  std::size_t hosts = 40;
  std::size_t folderFiles = 10000;  // files in the one big folder (at most a third of count)
  unsigned faultPercent = 0;        // entries with version 4, missing bodies or lying lengths
  // Entries whose URL is a CGI query of 4 to 6 KB, which the library stores on big-item
  // pages.
  unsigned longUrlPercent = 0;
  // After the `count` entries: every third is deleted again, then as many are put
  // again, half of them under a deleted URL with a new body file, half new.
  bool churn = false;
};

// Fills `out` with `options.count` entries with distinct URLs; bodies are made on demand.
void BuildGenerated(const GenerateOptions& options, CacheDescription& out);

}  // namespace mnc
