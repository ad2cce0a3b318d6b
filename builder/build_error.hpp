// The one way a build step fails: an error whose message names the input at fault. The command
// catches it, the output file's owner removes the partial output, and the exit status is non-zero.
#pragma once

#include <stdexcept>
#include <string>

namespace valdorine::builder {

class BuildError : public std::runtime_error {
 public:
  explicit BuildError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace valdorine::builder
