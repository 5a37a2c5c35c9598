#pragma once

#include <string>

#include "exif/runtime_error.h"

namespace tovrin {

// The failure being handled, as the run-time error a user is shown: a
// RuntimeError as it is, running out of memory as error 7, anything else as
// error 5 described as unexpected (with what it says of itself, when it is a
// std::exception). Call only inside a catch block.
RuntimeError CaughtRuntimeError();

// "実行時エラー:<number>:<description>:", the line every error box quotes.
std::string RuntimeErrorText(const RuntimeError& failure);

}  // namespace tovrin
