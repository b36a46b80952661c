#include "ReportJob.h"

namespace travik {
namespace {

// Of the bar: the planning's share, then the writing's.
constexpr int kPlannedPermille = 100;

}  // namespace

ReportJob::ReportJob(ReportInput input, const QPageSize& pageSize, QObject* parent)
    : QThread(parent), maker_(std::move(input), pageSize) {}

ReportJob::~ReportJob() {
    cancel();
    wait();
}

void ReportJob::startStep(Step step) {
    if (isRunning()) return;
    step_ = step;
    start();
}

bool ReportJob::report(std::size_t done, std::size_t total, int from, int to) {
    if (cancelled_) return false;
    const double share = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1;
    const int permille = from + static_cast<int>(share * (to - from));
    if (permille != lastPermille_) {
        lastPermille_ = permille;
        emit progressed(permille);
    }
    return true;
}

void ReportJob::run() {
    if (step_ == Step::Planning) {
        maker_.plan([this](std::size_t done, std::size_t total) {
            return report(done, total, 0, kPlannedPermille);
        });
    } else if (step_ == Step::Writing) {
        pdf_ = maker_.pdf([this](std::size_t done, std::size_t total) {
            return report(done, total, kPlannedPermille, 1000);
        });
        if (cancelled_) pdf_.reset();
    }
}

}  // namespace travik
