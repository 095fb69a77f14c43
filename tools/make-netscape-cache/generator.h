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
};

// Fills `out` with `options.count` entries with distinct URLs; bodies are made on demand.
void BuildGenerated(const GenerateOptions& options, CacheDescription& out);

}  // namespace mnc
