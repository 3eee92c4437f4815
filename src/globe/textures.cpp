#include "globe/textures.h"

#include <GL/glu.h>

#include <cstring>
#include <vector>

#include "globe/luminance.h"
#include "globe/marker_geometry.h"
#include "resource_ids.h"

namespace {

constexpr int kBitmapInfoHeaderBytes = 40; // the pixels follow it directly (no colour table)
constexpr int kBytesPerPixel = 3;
const LPCSTR kBitmapResourceType = MAKEINTRESOURCEA(2); // RT_BITMAP, in its ANSI form
constexpr GLint kColourComponents = 3;
constexpr GLint kLuminanceAlphaComponents = 2;

struct IconTexture {
    int nameIndex;
    int resourceId;
};

constexpr IconTexture kIcons[] = {
    {kDepressionIcon, IDB_DEPRESSION},
    {kStormIcon, IDB_STORM},
    {kHurricaneIcon, IDB_HURRICANE},
};

void SetRepeat() {
    ::glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_REPEAT));
    ::glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_REPEAT));
}

void SetFilters(GLenum magnify, GLenum minify) {
    ::glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(magnify));
    ::glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(minify));
}

// A map is filtered linearly either way; where hardware draws, its mipmaps are worth
// building, the software path samples one level.
void SetMapFilters(bool accelerated) {
    SetFilters(GL_LINEAR, accelerated ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
}

// Uploaded in the bitmap's own byte order, straight from the resource.
void UploadMap(int resourceId, bool accelerated) {
    int width = 0;
    int height = 0;
    const unsigned char* pixels = LoadBitmapPixels(resourceId, width, height);
    if (pixels == nullptr) {
        return;
    }
    if (accelerated) {
        ::gluBuild2DMipmaps(GL_TEXTURE_2D, kColourComponents, width, height, GL_BGR_EXT,
                            GL_UNSIGNED_BYTE, pixels);
    } else {
        ::glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, width, height, 0, GL_BGR_EXT, GL_UNSIGNED_BYTE,
                       pixels);
    }
}

void LoadDayMap(GLuint name, bool accelerated) {
    ::glBindTexture(GL_TEXTURE_2D, name);
    SetRepeat();
    SetMapFilters(accelerated);
    UploadMap(IDB_DAY_MAP, accelerated);
}

void LoadNightMap(GLuint name, bool accelerated) {
    ::glBindTexture(GL_TEXTURE_2D, name);
    SetRepeat();
    SetMapFilters(accelerated);
    UploadMap(IDB_NIGHT_MAP, accelerated);
}

// The resource is read-only, so the icon is converted in a copy.
void LoadIconTexture(GLuint name, int resourceId, GLenum baseFilter) {
    ::glBindTexture(GL_TEXTURE_2D, name);
    SetFilters(baseFilter, baseFilter);
    SetRepeat();
    int width = 0;
    int height = 0;
    const unsigned char* pixels = LoadBitmapPixels(resourceId, width, height);
    if (pixels == nullptr || width <= 0 || height <= 0) {
        return;
    }
    std::vector<unsigned char> buffer(pixels, pixels + static_cast<size_t>(width) * height *
                                                           kBytesPerPixel);
    ToLuminanceAlpha(buffer.data(), width, height);
    ::glTexImage2D(GL_TEXTURE_2D, 0, kLuminanceAlphaComponents, width, height, 0,
                   GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, buffer.data());
}

} // namespace

const unsigned char* LoadBitmapPixels(int resourceId, int& width, int& height) {
    HMODULE module = ::GetModuleHandleA(nullptr);
    HBITMAP bitmap = ::LoadBitmapA(module, MAKEINTRESOURCEA(resourceId));
    if (bitmap == nullptr) {
        return nullptr;
    }
    BITMAP description = {};
    ::GetObjectA(bitmap, sizeof(description), &description);
    width = description.bmWidth;
    height = description.bmHeight;
    ::DeleteObject(bitmap);
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(resourceId), kBitmapResourceType);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    if (loaded == nullptr) {
        return nullptr;
    }
    const auto* packed = static_cast<const unsigned char*>(::LockResource(loaded));
    return packed == nullptr ? nullptr : packed + kBitmapInfoHeaderBytes;
}

void LoadGlobeTextures(const GLuint (&names)[kGlobeTextureCount], bool accelerated,
                       bool nightSide) {
    LoadDayMap(names[kDayMapTexture], accelerated);
    const GLenum baseFilter = accelerated ? GL_LINEAR : GL_NEAREST;
    for (const IconTexture& icon : kIcons) {
        LoadIconTexture(names[icon.nameIndex], icon.resourceId, baseFilter);
    }
    if (nightSide) {
        LoadNightMap(names[kNightMapTexture], accelerated);
    }
}
