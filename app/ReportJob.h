// A report made on a thread of its own, so that the window stays responsive:
// first its pages are planned, then (when the window agrees) written. Each
// step ends with the thread's finished(); progress comes as permille.
#pragma once

#include <QByteArray>
#include <QPageSize>
#include <QThread>
#include <atomic>
#include <optional>
#include <utility>

#include "ReadoutReport.h"

namespace travik {

class ReportJob : public QThread {
    Q_OBJECT
public:
    ReportJob(ReportInput input, const QPageSize& pageSize, QObject* parent = nullptr);
    // Stops the step that runs and waits for it.
    ~ReportJob() override;

    enum class Step { None, Planning, Writing };
    void startPlanning() { startStep(Step::Planning); }
    void startWriting() { startStep(Step::Writing); }
    // The step that ran last (or runs).
    Step step() const { return step_; }

    // Asks the step that runs to stop; it ends soon after, with nothing made.
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }

    // After planning: the pages the report will have.
    std::size_t pageCount() const { return maker_.pageCount(); }
    // After writing: the PDF, nothing when stopped.
    std::optional<QByteArray> takePdf() { return std::exchange(pdf_, std::nullopt); }

signals:
    void progressed(int permille);

protected:
    void run() override;

private:
    void startStep(Step step);
    bool report(std::size_t done, std::size_t total, int from, int to);

    ReportMaker maker_;
    Step step_ = Step::None;
    std::atomic<bool> cancelled_{false};
    std::optional<QByteArray> pdf_;
    int lastPermille_ = -1;
};

}  // namespace travik
