#include "messages/error_report.h"

#include <new>

namespace tovrin {

RuntimeError CaughtRuntimeError() {
    try {
        throw;
    } catch (const RuntimeError& failure) {
        return failure;
    } catch (const std::bad_alloc&) {
        return RuntimeError(error::OutOfMemory);
    } catch (...) {
        return RuntimeError(error::InvalidCall);
    }
}

std::string RuntimeErrorText(const RuntimeError& failure) {
    return "実行時エラー:" + std::to_string(failure.number()) + ":" + failure.description() + ":";
}

}  // namespace tovrin
