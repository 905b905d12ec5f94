// Conversions between the pixel layouts the media engine meets: camera YUYV, our RGB frames and
// the bottom-up BGR rows of an uncompressed AVI.
#pragma once

#include <cstddef>
#include <cstdint>

#include "media/common/frame.h"

namespace media {

// Bytes a frame of this format and size must hold; 0 for Mjpeg, whose size varies.
size_t UncompressedFrameBytes(PixelFormat format, int width, int height);

// Bytes per row of a 24-bit DIB: rows are padded to a multiple of four bytes.
size_t DibRowStride(int width);

// YUYV as cameras send it: BT.601 with limited range (Y 16..235, U/V 16..240).
void YuyvToRgb24(const uint8_t* yuyv, int width, int height, uint8_t* rgb);
void Rgb24ToYuyv(const uint8_t* rgb, int width, int height, uint8_t* yuyv);

// Splits YUYV into the full-range 4:2:2 planes JPEG expects (Y: width x height, U and V:
// width/2 x height), so a camera's YUYV is compressed without going through RGB.
void YuyvToJpegPlanes(const uint8_t* yuyv, int width, int height, uint8_t* y, uint8_t* u, uint8_t* v);

// Top-down RGB rows to bottom-up BGR rows of DibRowStride(width) bytes, and back. DIBs with a
// negative height in their header store their rows top-down instead: pass bottomUp = false.
void Rgb24ToDib(const uint8_t* rgb, int width, int height, uint8_t* dib);
void DibToRgb24(const uint8_t* dib, int width, int height, uint8_t* rgb, bool bottomUp = true);

}  // namespace media
