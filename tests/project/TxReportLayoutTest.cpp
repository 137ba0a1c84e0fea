#include "TxReportLayout.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <memory>
#include <vector>

namespace {

struct TWritten {
    QPoint At;
    QString Text;
    QFont Font;
    QRgb Colour;
};

// A layout on an image, keeping what it wrote.
class TImageLayout : public TReportLayout {
public:
    explicit TImageLayout(QSize size = QSize(800, 1100), TPreviewUnits units = mmPixel)
        : Image(size, QImage::Format_RGB32), FUnits(units)
    {
        Image.fill(Qt::white);
        Painter = std::make_unique<QPainter>(&Image);
        ReportUnit = QPoint(38, 38);
    }
    ~TImageLayout() override { Painter->end(); }

    QPainter* Canvas() const override { return Painter.get(); }
    TPreviewUnits CanvasUnits() const override { return FUnits; }
    void TextOut(QPoint at, const QString& text) override
    {
        Written.push_back({at, text, ReportFont(), FontColor()});
        TReportLayout::TextOut(at, text);
    }

    QImage Image;
    std::unique_ptr<QPainter> Painter;
    std::vector<TWritten> Written;

private:
    TPreviewUnits FUnits;
};

} // namespace

TEST(ReportLayout, FontHeightsFollowPointsAndUnits)
{
    struct {
        int Points;
        TPreviewUnits Units;
        int Height;
    } cases[] = {
        {10, mmPixel, 13}, {8, mmPixel, 11},     {12, mmPixel, 16},     {14, mmPixel, 19},
        {9, mmPixel, 12},  {10, mmLoMetric, 35}, {10, mmHiMetric, 353}, {10, mmPoints, 10},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FontPixelHeight(c.Points, c.Units), c.Height) << c.Points << " pt in units " << c.Units;
}

TEST(ReportLayout, LineFeedMovesDownByTheTruncatedHeight)
{
    struct {
        int Points;
        double Factor;
        int Down;
    } cases[] = {
        {10, 1, 15}, // 13 x 1.2 = 15.6
        {10, 2, 31}, // 31.2
        {8, 1, 13},  {12, 1, 19}, {14, 1, 22}, {10, 0.5, 7}, {10, 0, 0},
    };
    for (const auto& c : cases) {
        TImageLayout layout;
        layout.SetReportFont(fsPlain, c.Points, clNone);
        EXPECT_EQ(layout.FontHeight(), -FontPixelHeight(c.Points, mmPixel));
        layout.ReportCursor = QPoint(5, 100);
        layout.LineFeed(c.Factor);
        EXPECT_EQ(layout.ReportCursor, QPoint(5, 100 + c.Down)) << c.Points << " pt x " << c.Factor;
    }
    // Products that are whole numbers are not truncated one short.
    TImageLayout layout;
    layout.ResetReportFont(QFont(QStringLiteral("Verdana")), -10);
    layout.LineFeed(1);
    EXPECT_EQ(layout.ReportCursor.y(), 12);
    layout.ResetReportFont(QFont(QStringLiteral("Verdana")), -15);
    layout.LineFeed(1);
    EXPECT_EQ(layout.ReportCursor.y(), 12 + 18);
}

TEST(ReportLayout, FontGivenByCellHeightStillFeedsDown)
{
    TImageLayout layout;
    layout.ResetReportFont(QFont(QStringLiteral("Verdana")), 11);
    layout.ReportCursor = QPoint(0, 50);
    layout.WriteText(QStringLiteral("first"));
    EXPECT_EQ(layout.ReportCursor.y(), 63);
}

TEST(ReportLayout, SetReportFontKeepsWhatItIsToldToKeep)
{
    TImageLayout layout;
    layout.SetReportFont(fsBold | fsItalic, 14, clNavy);
    EXPECT_TRUE(layout.ReportFont().bold());
    EXPECT_TRUE(layout.ReportFont().italic());
    EXPECT_EQ(layout.ReportFont().pixelSize(), 19);
    EXPECT_EQ(layout.FontColor(), clNavy);

    layout.SetReportFont(fsUnderline, 0, clNone);
    EXPECT_FALSE(layout.ReportFont().bold());
    EXPECT_FALSE(layout.ReportFont().italic());
    EXPECT_TRUE(layout.ReportFont().underline());
    EXPECT_EQ(layout.ReportFont().pixelSize(), 19);
    EXPECT_EQ(layout.FontColor(), clNavy);
    EXPECT_EQ(layout.Painter->font().pixelSize(), 19);
}

TEST(ReportLayout, RowsPlaceTheirColumnsAndFeedOnce)
{
    TImageLayout layout;
    layout.SetReportFont(fsPlain, 10, clBlack);
    layout.ReportCursor = QPoint(38, 200);
    layout.ReportColumn1 = 190;
    layout.ReportColumn2 = 266;
    layout.WriteLabelValue(QStringLiteral("Model"), QStringLiteral("TRM-900"));
    layout.WriteThreeColumns(QStringLiteral("Airflow"), QStringLiteral("2.80"), QStringLiteral("m³/s"));
    layout.WriteLine(QStringLiteral("Title"), fsBold, clNavy, 14);

    ASSERT_EQ(layout.Written.size(), 6u);
    const std::vector<std::pair<QPoint, QString>> expected{
        {{38, 200}, "Model"}, {{228, 200}, "TRM-900"}, {{38, 215}, "Airflow"},
        {{228, 215}, "2.80"}, {{304, 215}, "m³/s"},    {{38, 230}, "Title"},
    };
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(layout.Written[i].At, expected[i].first) << i;
        EXPECT_EQ(layout.Written[i].Text, expected[i].second) << i;
    }
    EXPECT_TRUE(layout.Written[5].Font.bold());
    EXPECT_EQ(layout.Written[5].Colour, clNavy);
    // The title's own height sets its line feed: 19 x 1.2.
    EXPECT_EQ(layout.ReportCursor, QPoint(38, 230 + 22));
}

TEST(ReportLayout, TabbedListsLandOnTheTabColumns)
{
    struct {
        QString Text;
        std::vector<int> Xs; // relative to the cursor
        int Down;
    } cases[] = {
        {"", {}, 0},
        {"9", {11}, 15},
        {"9, 10", {11, 60}, 15},
        {"9,10 ,15, 45,50,50,45,20", {11, 60, 98, 136, 174, 212, 250, 288}, 15},
    };
    for (const auto& c : cases) {
        TImageLayout layout;
        layout.SetReportFont(fsPlain, 10, clBlack);
        layout.ReportTabStart = 38;
        layout.ReportTabStep = 38;
        layout.ReportCursor = QPoint(40, 300);
        layout.WriteTabbedList(c.Text, fsPlain, clNone, 0);
        ASSERT_EQ(layout.Written.size(), c.Xs.size()) << c.Text.toStdString();
        for (size_t i = 0; i < c.Xs.size(); ++i) {
            EXPECT_EQ(layout.Written[i].At, QPoint(40 + c.Xs[i], 300)) << c.Text.toStdString() << " item " << i;
            EXPECT_FALSE(layout.Written[i].Text.contains(' '));
        }
        EXPECT_EQ(layout.ReportCursor, QPoint(40, 300 + c.Down)) << c.Text.toStdString();
    }
}

TEST(ReportLayout, RulesTakeTheRuleColourAndLeaveTheCursor)
{
    TImageLayout layout;
    layout.ReportRuleColor = qRgb(255, 0, 0);
    layout.SetRulePenWidth(1);
    layout.ReportCursor = QPoint(38, 100);
    layout.DrawRule(700);
    EXPECT_EQ(layout.ReportCursor, QPoint(38, 100));
    EXPECT_EQ(layout.Image.pixel(38, 100), qRgb(255, 0, 0));
    EXPECT_EQ(layout.Image.pixel(400, 100), qRgb(255, 0, 0));
    EXPECT_EQ(layout.Image.pixel(400, 102), qRgb(255, 255, 255));
    EXPECT_EQ(layout.Image.pixel(720, 100), qRgb(255, 255, 255));

    // Text does not take the rule's colour, and the rule keeps its own after text.
    layout.SetReportFont(fsBold, 20, qRgb(0, 0, 255));
    layout.ReportCursor = QPoint(38, 200);
    layout.WriteText(QStringLiteral("MMMM"));
    bool blue = false;
    for (int x = 38; x < 120; ++x)
        for (int y = 200; y < 230; ++y)
            blue = blue || layout.Image.pixel(x, y) == qRgb(0, 0, 255);
    EXPECT_TRUE(blue);
    EXPECT_EQ(layout.Painter->pen().color(), QColor(255, 0, 0));
}

TEST(ReportLayout, RulePenWidthIsGivenInPixels)
{
    struct {
        TPreviewUnits Units;
        int Pixels;
        int Width;
    } cases[] = {{mmPixel, 1, 1}, {mmPixel, 3, 3}, {mmLoMetric, 1, 3}, {mmHiMetric, 1, 26}, {mmPixel, 0, 0}};
    for (const auto& c : cases) {
        TImageLayout layout(QSize(10, 10), c.Units);
        layout.SetRulePenWidth(c.Pixels);
        EXPECT_EQ(layout.Painter->pen().width(), c.Width) << c.Units;
    }
}

TEST(ReportLayout, TransparentBackgroundLeavesThePageUnderText)
{
    TImageLayout layout;
    layout.Painter->setBackground(Qt::yellow);
    layout.Painter->setBackgroundMode(Qt::OpaqueMode);
    layout.SetTransparentBackground();
    EXPECT_EQ(layout.Painter->backgroundMode(), Qt::TransparentMode);
    EXPECT_EQ(layout.Painter->background().color(), QColor(Qt::white));
}

TEST(ReportLayout, RoutinesWithoutACanvasDoNothing)
{
    class TNoCanvas : public TReportLayout {
    public:
        QPainter* Canvas() const override { return nullptr; }
    } layout;
    layout.SetReportFont(fsBold, 10, clBlack);
    layout.SetTransparentBackground();
    layout.SetRulePenWidth(2);
    layout.DrawRule(100);
    layout.WriteText(QStringLiteral("x"));
    EXPECT_EQ(layout.ReportCursor, QPoint(0, 15));
}

TEST(PageFrame, FramesTenMillimetresInsideAndNumbersBelowTheCorner)
{
    QImage page(794, 1123, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter p(&page);
        DrawPageFrame(p, QRect(0, 0, 794, 1123), 38, 3, QFont(QStringLiteral("Verdana")), mmPixel);
        EXPECT_EQ(p.brush().style(), Qt::NoBrush);
    }
    const QRgb frame = PageFrameColor & 0xFFFFFF;
    EXPECT_EQ(page.pixel(38, 500) & 0xFFFFFF, frame);
    EXPECT_EQ(page.pixel(400, 38) & 0xFFFFFF, frame);
    EXPECT_EQ(page.pixel(755, 500) & 0xFFFFFF, frame);
    EXPECT_EQ(page.pixel(400, 1084) & 0xFFFFFF, frame);
    EXPECT_EQ(page.pixel(37, 500), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(400, 500), qRgb(255, 255, 255));

    // "Page 3" ends at the frame's right edge and starts below its bottom.
    auto inked = [&](int x0, int y0, int x1, int y1) {
        for (int x = x0; x < x1; ++x)
            for (int y = y0; y < y1; ++y)
                if (qGray(page.pixel(x, y)) < 160)
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(700, 1085, 756, 1100));
    EXPECT_FALSE(inked(757, 1085, 794, 1123));
    EXPECT_FALSE(inked(600, 1040, 794, 1083));
}

TEST(PageFrame, PrintableBoundaryIsDottedSilverAcrossTheSheet)
{
    QImage page(200, 300, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter p(&page);
        DrawPrintableBoundary(p, QRect(0, 0, 200, 300), QRect(QPoint(10, 20), QPoint(189, 279)));
    }
    auto silverOn = [&](bool vertical, int at, int length) {
        int count = 0;
        for (int i = 0; i < length; ++i)
            if (page.pixel(vertical ? at : i, vertical ? i : at) == qRgb(192, 192, 192))
                ++count;
        return count;
    };
    for (int x : {10, 190}) {
        const int n = silverOn(true, x, 300);
        EXPECT_GT(n, 60) << x;
        EXPECT_LT(n, 260) << x; // dotted
    }
    for (int y : {20, 280})
        EXPECT_GT(silverOn(false, y, 200), 40) << y;
    EXPECT_EQ(page.pixel(100, 100), qRgb(255, 255, 255));
}

TEST(ReportLayout, WrapToWidthBreaksAtBlanksAndNeverInsideACharacter)
{
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(11);
    const QFontMetrics m(font);
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const struct {
        QString Text;
        QString Fits; // the width: this text's
        QString First;
        qsizetype MaxLines = -1;
        qsizetype Lines = -1; // with MaxLines: how many come back, and whether more were needed
        bool More = false;
    } cases[] = {
        {"Tel 011 555 0140", "Tel 011 555 0140", "Tel 011 555 0140"},
        {"Tel 011 555    Fax 011 555", "Tel 011 555  ", "Tel 011 555"},
        {"VAT4012345678901234 and more", "VAT40", "VAT40"},
        {emoji + emoji + emoji, emoji, emoji},
        {"", "", ""},
        {"ab", "", "a"},
        {"a b c d", "a", "a", 2, 2, true},
        {"a b   ", "a", "a", 2, 2, false},
        {"a b", "a b", "a b", 0, 0, true},
        {"", "", "", 0, 0, false},
    };
    for (const auto& c : cases) {
        const int width = m.horizontalAdvance(c.Fits);
        bool more = !c.More;
        const QStringList lines = WrapToWidth(c.Text, m, width, c.MaxLines, &more);
        SCOPED_TRACE(c.Text.toStdString());
        EXPECT_EQ(more, c.More);
        if (c.MaxLines >= 0) {
            EXPECT_EQ(lines.size(), c.Lines);
            continue;
        }
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines[0], c.First);
        QString joined;
        for (const QString& line : lines) {
            EXPECT_TRUE(line.size() == 1 || m.horizontalAdvance(line) <= width) << line.toStdString();
            EXPECT_FALSE(!line.isEmpty() && (line.back().isHighSurrogate() || line.front().isLowSurrogate()));
            joined += line;
        }
        EXPECT_EQ(joined.remove(' '), QString(c.Text).remove(' ')); // nothing lost
    }
}
