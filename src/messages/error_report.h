#pragma once

#include <string>

#include "exif/runtime_error.h"

namespace tovrin {

// The failure being handled, as the run-time error a user is shown: a
// RuntimeError as it is, running out of memory as error 7, anything else as an
// invalid call (5). Call only inside a catch block.
RuntimeError CaughtRuntimeError();

// "実行時エラー:<number>:<description>:", the line every error box quotes.
std::string RuntimeErrorText(const RuntimeError& failure);

}  // namespace tovrin
