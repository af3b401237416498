#include <gtest/gtest.h>
#include "photo/Bitmap.h"

TEST(Bitmap, HeaderDescribesBottomUp32BitPixels) {
    BitmapInfo info = makeBitmapInfo(7, 5);
    EXPECT_EQ(info.bmiHeader.biSize, 40u);
    EXPECT_EQ(info.bmiHeader.biHeight, 5);
    EXPECT_EQ(info.bmiHeader.biBitCount, 32);
    EXPECT_EQ(info.bmiColors[0], 0u);
}
