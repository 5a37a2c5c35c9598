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
    } catch (const std::exception& e) {
        // Not one of ours: said as what it is, so a report can name it.
        return RuntimeError(error::InvalidCall, std::string("予期しないエラー (") + e.what() + ")");
    } catch (...) {
        return RuntimeError(error::InvalidCall, "予期しないエラー");
    }
}

std::string RuntimeErrorText(const RuntimeError& failure) {
    return "実行時エラー:" + std::to_string(failure.number()) + ":" + failure.description() + ":";
}

}  // namespace tovrin
