#include "display/Textures.h"

#include <GL/gl.h>
#include <IL/il.h>
#include <IL/ilu.h>

#include <algorithm>

#include "display/PictureFile.h"

namespace {

ILenum ImageType(PictureFormat format) {
  switch (format) {
    case PictureFormat::Png:
      return IL_PNG;
    case PictureFormat::Jpeg:
      return IL_JPG;
    case PictureFormat::Bmp:
      return IL_BMP;
    case PictureFormat::Unknown:
      break;
  }
  return IL_TYPE_UNKNOWN;
}

// Binds `texture` with linear filtering and uploads the bound image to it. A
// picture that failed to load or convert leaves the image in an unknown layout,
// so the slot gets one transparent texel instead: its object draws without a picture.
void UploadBoundImage(GLuint texture, bool loaded) {
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  if (!loaded) {
    static const unsigned char kTransparent[4] = {0, 0, 0, 0};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, kTransparent);
    return;
  }
  glTexImage2D(GL_TEXTURE_2D, 0, ilGetInteger(IL_IMAGE_BYTES_PER_PIXEL),
               ilGetInteger(IL_IMAGE_WIDTH), ilGetInteger(IL_IMAGE_HEIGHT), 0,
               ilGetInteger(IL_IMAGE_FORMAT), GL_UNSIGNED_BYTE, ilGetData());
}

}  // namespace

// Both sides shrink by s = min(N / w, N / h) taken over the sides that exceed N;
// the longer side always exceeds, so s = N / longer. w * N / longer in integers
// truncates exactly, so the longer side lands on N and not on N - 1 through
// rounding. A side never shrinks below one pixel.
TextureFit FitToTextureLimit(int width, int height, int maxEdge) {
  TextureFit fit{false, width, height};
  const int longer = std::max(width, height);
  if (maxEdge <= 0 || longer <= maxEdge) return fit;
  fit.resize = true;
  fit.width = std::max(1, static_cast<int>(static_cast<long long>(width) * maxEdge / longer));
  fit.height = std::max(1, static_cast<int>(static_cast<long long>(height) * maxEdge / longer));
  return fit;
}

void StartImageLibrary() {
  ilInit();
}

// The picture is decoded as the format its header was read in, whatever its
// name's extension says.
bool LoadPicture(const std::string& file, std::ostream& console) {
  PictureSize size;
  if (!PictureFileFits(file, size) || !ilLoad(ImageType(size.format), file.c_str())) {
    console << "openIL: Problem while loading " << file << "\n";
    return false;
  }
  if (!ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE)) {
    console << "openIL: Problem while converting " << file << "\n";
    return false;
  }
  console << "openIL: " << file << " loaded and converted successfully\n";
  return true;
}

void ApplyTextureLimit(const std::string& file, int maxEdge, std::ostream& console) {
  const int width = ilGetInteger(IL_IMAGE_WIDTH);
  const int height = ilGetInteger(IL_IMAGE_HEIGHT);
  const TextureFit fit = FitToTextureLimit(width, height, maxEdge);
  if (!fit.resize) return;
  console << file << " must be resized because it is larger than " << maxEdge << ".\n";
  if (!iluScale(fit.width, fit.height, ilGetInteger(IL_IMAGE_DEPTH))) return;
  console << file << " was resized to " << ilGetInteger(IL_IMAGE_WIDTH) << " x "
          << ilGetInteger(IL_IMAGE_HEIGHT) << " (from " << width << " x " << height << ")\n";
}

std::vector<std::string> ImageFilePaths(const std::vector<ImageStyle>& images) {
  std::vector<std::string> files;
  files.reserve(images.size());
  for (const ImageStyle& image : images) files.push_back(image.filePath);
  return files;
}

void LoadImageTextures(const std::vector<std::string>& imageFiles, BackgroundRecord& background,
                       ImageTextures& textures, std::ostream& console) {
  GLint maxEdge = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxEdge);
  console << "Maximum texture size is: " << maxEdge << "\n";

  std::array<ILuint, kImageSlotCount> images{};
  ilGenImages(kImageSlotCount, images.data());
  glGenTextures(kImageSlotCount, textures.names.data());

  const int imageCount = std::min(static_cast<int>(imageFiles.size()), kMaxImageObjects);
  for (int slot = 0; slot < imageCount; ++slot) {
    const std::string& file = imageFiles[slot];
    ilBindImage(images[slot]);
    const bool loaded = LoadPicture(file, console);
    if (loaded) ApplyTextureLimit(file, maxEdge, console);
    UploadBoundImage(textures.names[slot], loaded);
  }
  for (size_t excess = imageCount; excess < imageFiles.size(); ++excess) {
    console << "openIL: No image slot left for " << imageFiles[excess] << ", at most "
            << kMaxImageObjects << " pictures fit\n";
  }

  if (background.enabled) {
    background.slot = imageCount;
    ilBindImage(images[imageCount]);
    const bool loaded = LoadPicture(background.fileName, console);
    background.bands =
        loaded ? BandsOf(ilGetData(), ilGetInteger(IL_IMAGE_WIDTH), ilGetInteger(IL_IMAGE_HEIGHT))
               : PictureBands();
    UploadBoundImage(textures.names[imageCount], loaded);
  }
  ilDeleteImages(kImageSlotCount, images.data());
}

void LoadFontTextures(const std::string& fontFile, int slot, FontTextures& textures,
                      std::ostream& console) {
  std::array<ILuint, kFontSlotCount> images{};
  ilGenImages(kFontSlotCount, images.data());
  glGenTextures(kFontSlotCount, textures.names.data());
  if (slot >= 0 && slot < kFontSlotCount) {
    ilBindImage(images[slot]);
    UploadBoundImage(textures.names[slot], LoadPicture(fontFile, console));
  }
  ilDeleteImages(kFontSlotCount, images.data());
}
