// Where the installer stub is when --stub is not given: beside the builder (an installed copy,
// or a folder with both), in the share folder of the builder's prefix (after an install), or in
// the build tree next to the builder's own build folder (a checkout after `make build`).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace valdorine::builder {

// The places looked at, in order, for a builder at `builder`.
std::vector<std::filesystem::path> StubCandidates(const std::filesystem::path& builder);

// The first candidate that exists for the running builder; empty when none does.
std::filesystem::path DefaultStub();

// The file version of the version resource in `executable` ("42.1.2.0"), or empty when it has none.
std::string FileVersionOf(const std::filesystem::path& executable);

}  // namespace valdorine::builder
