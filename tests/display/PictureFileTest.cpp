// Pictures are measured by their headers before the image library decodes
// them: only regular PNG, JPEG and BMP files within the size limits are read.

#include <IL/il.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "TestPictures.h"
#include "display/PictureFile.h"
#include "display/Textures.h"
#include "support/TestSupport.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempFolder;

bool WritePicture(const std::string& file, ILenum type, int width, int height) {
  BoundImage image;
  std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3, 120);
  if (!ilTexImage(width, height, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, pixels.data())) return false;
  return ilSave(type, file.c_str());
}

// CRC-32 of PNG chunks, bit by bit.
std::uint32_t Crc32(const std::string& bytes) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (const char byte : bytes) {
    crc ^= static_cast<unsigned char>(byte);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

void PutBigEndian(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

// A PNG whose header claims width x height, checksum and all, over the image
// data of a 4 x 4 picture: what a small file claiming a huge picture looks like.
std::string PngClaiming(const std::string& file, std::uint32_t width, std::uint32_t height) {
  std::filesystem::remove(file);  // the image library writes no file over another
  EXPECT_TRUE(WritePng(file, 4, 4));
  std::string bytes = ReadFile(file);
  PutBigEndian(bytes, 16, width);
  PutBigEndian(bytes, 20, height);
  PutBigEndian(bytes, 29, Crc32(bytes.substr(12, 17)));
  return bytes;
}

TEST(PictureFileTest, HeadersGiveTheSizeTheImageLibraryWrote) {
  struct Case {
    ILenum type;
    const char* name;
    PictureFormat format;
  };
  // The PNG named .jpg is still measured, and decoded, as a PNG.
  const Case cases[] = {{IL_PNG, "p.png", PictureFormat::Png},
                        {IL_JPG, "j.jpg", PictureFormat::Jpeg},
                        {IL_BMP, "b.bmp", PictureFormat::Bmp},
                        {IL_PNG, "png.jpg", PictureFormat::Png}};
  TempFolder folder;
  for (const Case& c : cases) {
    for (const auto& [width, height] : {std::pair{40, 20}, std::pair{1, 300}}) {
      const std::string file = (folder.Path() / c.name).string();
      std::filesystem::remove(file);
      ASSERT_TRUE(WritePicture(file, c.type, width, height)) << c.name;
      PictureSize size;
      EXPECT_TRUE(PictureFileFits(file, size)) << c.name;
      EXPECT_EQ(c.format, size.format) << c.name;
      EXPECT_EQ(width, size.width) << c.name;
      EXPECT_EQ(height, size.height) << c.name;
    }
  }
}

TEST(PictureFileTest, LimitsOfASideAndOfThePixels) {
  struct Case {
    std::uint32_t width;
    std::uint32_t height;
    bool fits;
  };
  const Case cases[] = {
      {16384, 4096, true}, {65535, 1024, true}, {65536, 1, false},     {1, 65536, false},
      {8192, 8193, false}, {0, 10, false},      {40000, 40000, false},
  };
  TempFolder folder;
  const std::string file = (folder.Path() / "claim.png").string();
  for (const Case& c : cases) {
    folder.Write("claim.png", PngClaiming(file, c.width, c.height));
    PictureSize size;
    EXPECT_EQ(c.fits, PictureFileFits(file, size)) << c.width << " x " << c.height;
    EXPECT_EQ(c.width, size.width);
  }
}

// A 40000 x 40000 picture in a file of a few hundred bytes would take 6.4 GB
// to decode; a pipe would hold the start-up until someone writes into it. Both
// are refused, unread, with the line every picture that cannot be loaded gets.
TEST(LoadPictureTest, HugePicturesAndWhatIsNoFileAreRefusedUnread) {
  TempFolder folder;
  const std::string huge = (folder.Path() / "huge.png").string();
  folder.Write("huge.png", PngClaiming(huge, 40000, 40000));
  const std::string pipe = (folder.Path() / "pipe.png").string();
  ASSERT_EQ(0, mkfifo(pipe.c_str(), 0644));
  const std::string folderName = (folder.Path() / "folder.png").string();
  std::filesystem::create_directory(folderName);
  for (const std::string& file : {huge, pipe, folderName}) {
    BoundImage image;
    std::ostringstream console;
    EXPECT_FALSE(LoadPicture(file, console));
    EXPECT_EQ("openIL: Problem while loading " + file + "\n", console.str());
  }
}

}  // namespace
