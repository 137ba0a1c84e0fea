#include "TxPreviewPage.h"

#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(PreviewUnits, ConvertRoundingHalvesAwayFromZero)
{
    struct {
        int Value;
        TPreviewUnits From;
        TPreviewUnits To;
        int Result;
    } cases[] = {
        {100, mmLoMetric, mmPixel, 38},   // 10 mm = 37.795 px
        {254, mmLoMetric, mmPixel, 96},   // one inch
        {1, mmPixel, mmLoMetric, 3},      // 2.646
        {1, mmPixel, mmHiMetric, 26},     // 26.46
        {-100, mmLoMetric, mmPixel, -38}, // symmetric
        {2100, mmLoMetric, mmPixel, 794}, // A4 width
        {2970, mmLoMetric, mmPixel, 1123}, {1, mmPoints, mmTWIPS, 20},        {72, mmPoints, mmPixel, 96},
        {10, mmPoints, mmPixel, 13},       {1, mmPixel, mmPoints, 1}, // 0.75
        {2, mmPixel, mmPoints, 2},                                    // 1.5: half away from zero
        {-2, mmPixel, mmPoints, -2},       {1, mmLoEnglish, mmHiEnglish, 10}, {5, mmHiEnglish, mmLoEnglish, 1}, // 0.5
        {0, mmLoMetric, mmPixel, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConvertUnits(c.Value, c.From, c.To), c.Result) << c.Value << " " << c.From << "->" << c.To;
    }
    // Large values do not overflow on the way.
    EXPECT_EQ(ConvertUnits(20000000, mmPixel, mmLoMetric), 52916667);
}

TEST(PreviewUnits, CodesFromFilesAreChecked)
{
    TPreviewUnits u = mmLoMetric;
    EXPECT_TRUE(UnitsFromCode(0, u));
    EXPECT_EQ(u, mmPixel);
    EXPECT_TRUE(UnitsFromCode(6, u));
    EXPECT_EQ(u, mmPoints);
    EXPECT_FALSE(UnitsFromCode(7, u));
    EXPECT_FALSE(UnitsFromCode(-1, u));
    EXPECT_EQ(u, mmPoints);
}

TEST(PreviewPapers, SheetSizesInUnits)
{
    const QPageSize a4(QPageSize::A4);
    EXPECT_EQ(PaperSizeIn(a4, mmPixel), QSize(794, 1123));
    EXPECT_EQ(PaperSizeIn(a4, mmLoMetric), QSize(2100, 2970));
    EXPECT_EQ(PaperSizeIn(QPageSize(QPageSize::Letter), mmLoEnglish), QSize(850, 1100));
    QStringList names;
    for (const TPaperInfo& p : StandardPapers())
        names.append(p.Name);
    EXPECT_TRUE(names.contains("A4"));
    EXPECT_TRUE(names.contains("Letter"));
    EXPECT_EQ(names.removeDuplicates(), 0);
    // Executive is the sheet print systems know by that name: 7.25 x 10.5 in.
    const auto executive = std::find_if(StandardPapers().begin(), StandardPapers().end(),
                                        [](const TPaperInfo& p) { return p.Name == "Executive"; });
    ASSERT_NE(executive, StandardPapers().end());
    EXPECT_EQ(executive->Size.sizePoints(), QSize(522, 756));
}
