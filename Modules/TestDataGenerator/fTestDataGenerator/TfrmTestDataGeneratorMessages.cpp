// The message view of a run and the progress bar of the status bar.
#include "TfrmTestDataGenerator.h"
#include "UTFillProjects/TFillProject.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTabBar>
#include <cmath>

namespace {

constexpr int kProgressPanelWidth = 150;
// Each append lays out the new lines and repaints the text view and its scroll bar, the most
// of what the window does during a run; two batches a second are still read as they come.
constexpr qint64 kMessageIntervalMs = 500;

bool blankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && blankOrControl(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blankOrControl(text.back()))
        text.remove_suffix(1);
    return text;
}

// Splits at CR LF, LF or CR.
std::vector<std::string> lines(std::string_view text) {
    std::vector<std::string> result;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        result.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    result.emplace_back(text.substr(start));
    return result;
}

QString joined(const kvl::TStringList& list) {
    QStringList result;
    for (const auto& line : list)
        result << QString::fromStdString(line);
    return result.join(QLatin1Char('\n'));
}

} // namespace

void TfrmTestDataGenerator::AddMessage(const std::string& Msg) {
    std::string_view text = trimmed(Msg);
    if (text.empty()) return;
    bool shown = tsMessageTabs->currentIndex() == 0;
    for (auto& line : lines(text)) {
        if (shown) FShownBatch << QString::fromStdString(line);
        FAllMessages->Add(std::move(line));
    }
    // a threaded run's notices are shown a batch at a time, once the thread has handed them over
    if (FRunThread) return;
    flushMessages();
    // keeps the window live while a run holds its thread
    QApplication::processEvents();
}

void TfrmTestDataGenerator::flushMessages() {
    if (FShownBatch.isEmpty()) return;
    memMessages->appendPlainText(FShownBatch.join(QLatin1Char('\n')));
    FShownBatch.clear();
    FMessagesShown.start();
}

void TfrmTestDataGenerator::flushMessagesNowAndThen() {
    if (FMessagesShown.isValid() && !FMessagesShown.hasExpired(kMessageIntervalMs)) return;
    flushMessages();
}

void TfrmTestDataGenerator::clearMessages() {
    tsMessageTabs->setCurrentIndex(0);
    while (tsMessageTabs->count() > 1)
        tsMessageTabs->removeTab(tsMessageTabs->count() - 1);
    memMessages->clear();
    FShownBatch.clear();
    FAllMessages->Clear();
}

void TfrmTestDataGenerator::tsMessageTabsChange(int NewTab) {
    if (NewTab < 0) return;
    // what was waiting to be shown is in FAllMessages already
    FShownBatch.clear();
    if (NewTab == 0) {
        memMessages->setPlainText(joined(*FAllMessages));
        return;
    }
    auto* project = static_cast<TFillProject*>(tsMessageTabs->tabData(NewTab).value<void*>());
    memMessages->setPlainText(project ? joined(project->Statistics.Log) : QString());
}

void TfrmTestDataGenerator::sbFillerDrawPanel(QPainter& Canvas, const QRect& Rect) {
    if (FRowsToInsert == 0) return;
    double scale = static_cast<double>(kProgressPanelWidth) / FRowsToInsert;
    double filled = FCurrentRow * scale;
    int barEnd = Rect.left() + static_cast<int>(std::lrint(filled));
    int right = Rect.left() + Rect.width();
    Canvas.fillRect(QRect(Rect.left(), Rect.top(), barEnd - Rect.left(), Rect.height()), QColor(0, 0, 128));
    if (barEnd < right)
        Canvas.fillRect(QRect(barEnd, Rect.top(), right - barEnd, Rect.height()),
                        sbFiller->palette().color(QPalette::Window));
    QString text = QString::number(FCurrentRow);
    int textWidth = Canvas.fontMetrics().horizontalAdvance(text);
    int x = Rect.left() + ((right - Rect.left()) / 2 - textWidth / 2);
    Canvas.setPen(QApplication::palette().color(QPalette::HighlightedText));
    Canvas.setBackgroundMode(Qt::TransparentMode);
    Canvas.drawText(QPoint(x, Rect.top() + 1 + Canvas.fontMetrics().ascent()), text);
}
