#include "Status.h"

#include <utility>

namespace travik {

Status Status::SystemFailure(std::string step, int code) {
    std::string reason = SystemErrorText(code);
    return Failure(std::move(step), code, std::move(reason));
}

Status Status::Failure(std::string step, int code, std::string reason) {
    Status status;
    status.failed_ = true;
    status.step_ = std::move(step);
    status.code_ = code;
    status.reason_ = std::move(reason);
    return status;
}

std::string Status::describe() const {
    if (ok()) return {};
    if (reason_.empty()) return step_;
    return step_ + ": " + reason_;
}

}  // namespace travik
