// The weekly report's chart: one week's bars drawn on a back buffer and put on the screen in
// one piece, so nothing flickers.

#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>

#include "core/reports/DurationText.h"
#include "win32/main_window/ReportWindow.h"
#include "win32/platform/WideText.h"

namespace {

constexpr int kMargin = 8;
constexpr int kGap = 2;            // between a bar and its texts
constexpr int kLineWidth = 1;      // the axis and the average
constexpr double kBarShare = 0.6;  // of a day's slot; the rest is space between the bars
constexpr double kHoursPerDay = 24;
// One slot a day: the week's bars.
constexpr std::size_t kDaysPerWeek = std::tuple_size_v<decltype(WeekChart::hours)>;

using UniquePen = UniqueHandle<GdiObjectTraits<HPEN>>;

// A bitmap to draw the chart on before it goes to the screen in one piece.
class BackBuffer {
  public:
    BackBuffer(HDC screen, int width, int height)
        : screen_(screen),
          dc_(::CreateCompatibleDC(screen)),
          bitmap_(::CreateCompatibleBitmap(screen, width, height)) {
        if (dc_ != nullptr && bitmap_) old_ = ::SelectObject(dc_, bitmap_.Get());
    }
    BackBuffer(const BackBuffer&) = delete;
    BackBuffer& operator=(const BackBuffer&) = delete;
    ~BackBuffer() {
        if (old_ != nullptr) ::SelectObject(dc_, old_);
        if (dc_ != nullptr) ::DeleteDC(dc_);
    }
    HDC Dc() const { return old_ != nullptr ? dc_ : nullptr; }
    void CopyTo(int left, int top, int width, int height) const {
        ::BitBlt(screen_, left, top, width, height, dc_, 0, 0, SRCCOPY);
    }

  private:
    HDC screen_;
    HDC dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ old_ = nullptr;
};

// Selects a GDI object for a scope.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() { ::SelectObject(dc_, old_); }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

void DrawLine(HDC dc, int left, int right, int y) {
    ::MoveToEx(dc, left, y, nullptr);
    ::LineTo(dc, right, y);
}

void DrawTextIn(HDC dc, const std::string& text, RECT rect, UINT format, int colorIndex) {
    ::SetTextColor(dc, ::GetSysColor(colorIndex));
    const std::wstring wide = Widen(text);
    ::DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect,
                format | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

void ReportWindow::OnPaint() {
    PAINTSTRUCT paint{};
    const HDC screen = ::BeginPaint(hwnd_, &paint);
    if (screen == nullptr) return;
    const RECT chart = ChartRect();
    const int width = chart.right - chart.left;
    const int height = chart.bottom - chart.top;
    if (width > 0 && height > 0) {
        BackBuffer buffer(screen, width, height);
        if (buffer.Dc() != nullptr) {
            DrawChart(buffer.Dc(), width, height);
            buffer.CopyTo(chart.left, chart.top, width, height);
        } else {
            DrawChart(screen, width, height);  // no memory for a buffer: draw in place
        }
    }
    ::EndPaint(hwnd_, &paint);
}

void ReportWindow::DrawChart(HDC dc, int width, int height) const {
    const RECT all{0, 0, width, height};
    ::FillRect(dc, &all, ::GetSysColorBrush(COLOR_WINDOW));
    Selection font(dc,
                   font_ ? static_cast<HGDIOBJ>(font_.Get()) : ::GetStockObject(DEFAULT_GUI_FONT));
    ::SetBkMode(dc, TRANSPARENT);
    TEXTMETRICW metrics{};
    ::GetTextMetricsW(dc, &metrics);
    const int line = metrics.tmHeight;
    const int margin = Scale(kMargin);

    // A caption row, a row for the labels over the tallest bar, the bars, the day names.
    const RECT caption{margin, margin, width - margin, margin + line};
    DrawTextIn(dc, chartCaption_, caption, DT_LEFT, COLOR_WINDOWTEXT);
    const std::string average =
        "- - -  average day " + DurationText(chart_.averageHours / kHoursPerDay);
    DrawTextIn(dc, average, caption, DT_RIGHT, COLOR_WINDOWTEXT);
    const int left = margin;
    const int right = width - margin;
    const int top = caption.bottom + line;
    const int bottom = height - margin - line - Scale(kGap);
    if (right - left < static_cast<int>(kDaysPerWeek) || bottom - top < 1) return;

    const double plotHeight = bottom - top;
    const auto yOf = [&](double hours) {
        return bottom - static_cast<int>(std::lround(hours / chart_.topHours * plotHeight));
    };
    const int averageY = chart_.averageHours > 0 ? yOf(chart_.averageHours) : -1;
    const double slot = (right - left) / static_cast<double>(kDaysPerWeek);
    for (std::size_t day = 0; day < kDaysPerWeek; ++day) {
        const int slotLeft = left + static_cast<int>(std::lround(slot * static_cast<double>(day)));
        const int slotRight =
            left + static_cast<int>(std::lround(slot * static_cast<double>(day + 1)));
        const int barWidth = std::max(1, static_cast<int>(slot * kBarShare));
        const int barLeft = slotLeft + (slotRight - slotLeft - barWidth) / 2;
        const int barTop = yOf(chart_.hours[day]);
        if (barTop < bottom) {
            const RECT bar{barLeft, barTop, barLeft + barWidth, bottom};
            ::FillRect(dc, &bar, ::GetSysColorBrush(COLOR_HIGHLIGHT));
        }
        const std::string& label = chart_.labels[day];
        if (!label.empty()) {
            const int labelTop = BarLabelTop(barTop, bottom, line, Scale(kGap), averageY);
            DrawTextIn(dc, label, RECT{slotLeft, labelTop, slotRight, labelTop + line}, DT_CENTER,
                       labelTop >= barTop ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
        }
        DrawTextIn(dc, chart_.dayNames[day],
                   RECT{slotLeft, bottom + Scale(kGap), slotRight, bottom + Scale(kGap) + line},
                   DT_CENTER | DT_END_ELLIPSIS, COLOR_WINDOWTEXT);
    }

    const int thickness = std::max(1, Scale(kLineWidth));
    UniquePen axisPen(::CreatePen(PS_SOLID, thickness, ::GetSysColor(COLOR_GRAYTEXT)));
    if (axisPen) {
        Selection pen(dc, axisPen.Get());
        DrawLine(dc, left, right, bottom);
    }
    if (chart_.averageHours > 0) {
        LOGBRUSH brush{BS_SOLID, ::GetSysColor(COLOR_WINDOWTEXT), 0};
        // A geometric pen stays dashed at every width.
        UniquePen averagePen(
            ::ExtCreatePen(PS_GEOMETRIC | PS_DASH | PS_ENDCAP_FLAT, thickness, &brush, 0, nullptr));
        if (averagePen) {
            Selection pen(dc, averagePen.Get());
            DrawLine(dc, left, right, averageY);
        }
    }
}
