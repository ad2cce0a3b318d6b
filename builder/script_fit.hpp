// Which field of an install script holds a text too long for its length form, so that the builder
// can say so by name instead of failing with a bare code.
#pragma once

#include <string>

#include "format/install_script.hpp"

namespace valdorine::builder {

// The name of the first text field that does not fit (such as "UninstallerName"), or "".
std::string TextThatDoesNotFit(const InstallScript& script);

}  // namespace valdorine::builder
