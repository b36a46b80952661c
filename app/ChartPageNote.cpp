// The chart page of a build without Qt Charts: one line saying so.
#include <QLabel>
#include <QVBoxLayout>

#include "ChartPage.h"
#include "Languages.h"

namespace travik {

struct ChartPage::Parts {
    QLabel* note = nullptr;
};

ChartPage::ChartPage(QWidget* parent) : QWidget(parent), parts_(std::make_unique<Parts>()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    parts_->note = new QLabel(this);
    parts_->note->setObjectName(QStringLiteral("ChartMessage"));
    layout->addWidget(parts_->note, 0, Qt::AlignTop);
    setLanguage(1);
}

ChartPage::~ChartPage() = default;

bool ChartPage::available() {
    return false;
}

void ChartPage::setTable(std::shared_ptr<const Table>, int languageIndex) {
    setLanguage(languageIndex);
}

void ChartPage::setTable(std::shared_ptr<const Table>, int languageIndex,
                         std::shared_ptr<const std::vector<history::ColumnExcursions>>) {
    setLanguage(languageIndex);
}

void ChartPage::setLanguage(int languageIndex) {
    parts_->note->setText(QString::fromStdString(ChartsLeftOutText(languageIndex)));
}

QString ChartPage::messageText() const {
    return parts_->note->text();
}
std::vector<std::size_t> ChartPage::offeredColumns() const {
    return {};
}
std::vector<std::size_t> ChartPage::chartedColumns() const {
    return {};
}
void ChartPage::setColumnChecked(std::size_t, bool) {}
int ChartPage::seriesCount() const {
    return 0;
}
bool ChartPage::offersTimeline() const {
    return false;
}
bool ChartPage::timelineShown() const {
    return false;
}
void ChartPage::setTimelineShown(bool) {}
QStringList ChartPage::timelineKinds() const {
    return {};
}
QStringList ChartPage::seriesNames() const {
    return {};
}
int ChartPage::valueAxisCount() const {
    return 0;
}
bool ChartPage::hasTimeAxis() const {
    return false;
}
QString ChartPage::hoverText(int, int) const {
    return QString();
}
bool ChartPage::savePicture(const QString&) const {
    return false;
}
bool ChartPage::canSaveSvg() {
    return false;
}
QPair<double, double> ChartPage::horizontalRange() const {
    return {0, 0};
}
QStringList ChartPage::horizontalLabels() const {
    return {};
}
QStringList ChartPage::valueLabelFormats() const {
    return {};
}
QWidget* ChartPage::chartView() const {
    return nullptr;
}

void ChartPage::paintChart(QPainter*, const QRectF&) const {}
void ChartPage::setBands(std::vector<ChartBand>) {}
QList<QRectF> ChartPage::shadedAreas() const {
    return {};
}
QRectF ChartPage::plotArea() const {
    return {};
}
int ChartPage::drawnPointCount() const {
    return 0;
}
void ChartPage::setExcursions(std::shared_ptr<const std::vector<history::ColumnExcursions>>) {}
std::vector<ChartBand> ChartPage::bands() const {
    return {};
}
QList<QPointF> ChartPage::outsidePoints() const {
    return {};
}
QList<QLineF> ChartPage::limitLines() const {
    return {};
}
QStringList ChartPage::limitEdgeMarkers() const {
    return {};
}

}  // namespace travik
