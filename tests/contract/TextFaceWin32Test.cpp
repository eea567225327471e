// Which face the real system's font engine gives the countdown's "Times New
// Roman": the text operation asks for it by name and takes the system's
// substitute where it is not installed. Printed, for the record of a run.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

namespace {

TEST(TextFaceWin32, TheCountdownFaceIsMadeAndNamed) {
  HFONT font = ::CreateFontA(-64, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, "Times New Roman");
  ASSERT_NE(font, nullptr);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font);
  char face[LF_FACESIZE] = {};
  EXPECT_GT(::GetTextFaceA(dc, LF_FACESIZE, face), 0);
  TEXTMETRICA tm{};
  EXPECT_TRUE(::GetTextMetricsA(dc, &tm));
  std::printf("\"Times New Roman\" at 64 px is drawn in \"%s\" (cell %ld, internal leading %ld)\n",
              face, static_cast<long>(tm.tmHeight), static_cast<long>(tm.tmInternalLeading));
  RecordProperty("face", face);
  // The character height asked for is what the face gives.
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 64);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::DeleteObject(font);
}

}  // namespace
