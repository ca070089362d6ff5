#pragma once
// Image layer lists: the one-line texts that describe a page background as a
// stack of image files.
//
//   "cbackground.jpg|0|0|255|0,step1.png|0|70|255|0,"
//
// A list is a run of entries, each ended by ",". Text after the last comma is
// ignored, so an entry without its comma is never drawn. Within an entry the
// fields are split on "|" the way strtok splits: runs of "|" count as one
// separator and leading "|" are skipped, so a field cannot be empty.
//
//   file | x | y | alpha | offset [| width | height]
//
// Numbers follow the leading-number rule of atoi (white space, sign, digits,
// stop at anything else; no digits gives 0); a missing number is 0.
// Four-number surfaces read x, y, alpha and offset and ignore the rest;
// six-number surfaces also read the destination width and height, where 0
// stands for the image's own size.
//
// This file is Qt-free: parsing and the dimming rules. Drawing the layers is
// CLayerSurface's business.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sp {

// A surface holds its list in a 2048-byte buffer: at most 2047 bytes of text.
constexpr std::size_t kLayerListMaxBytes = 2047;
// An entry is copied into a 64-byte buffer: at most 63 bytes without its comma.
constexpr std::size_t kLayerEntryMaxBytes = 63;

enum class LayerVariant { FourNumbers, SixNumbers };

// How a layer alpha below full opacity dims the loaded image.
enum class DimmingRule {
  Fixed,       // alpha < 100: every pixel's A becomes A * 30 / 100
  Percentage,  // alpha < 255: every pixel's A becomes low byte of A * alpha / 100
  None,        // the alpha field is read and has no effect
};

struct LayerEntry {
  std::string file;  // relative to the image folder, never empty
  int x = 0;
  int y = 0;
  int alpha = 0;
  int offset = 0;  // source x: the frame of a horizontal sprite strip
  int width = 0;   // six-number surfaces only; 0 = the image's own width
  int height = 0;  // six-number surfaces only; 0 = the image's own height
};

// Reads a number the way atoi does; out-of-range values clamp to the int range.
int LeadingNumber(std::string_view text);

// Parses one entry (without its comma). Only the first kLayerEntryMaxBytes
// bytes are read, as the fixed entry buffer would hold them. Returns false
// when the entry names no file (it is then not drawn).
bool ParseLayerEntry(std::string_view entry, LayerVariant variant, LayerEntry& out);

// Parses a whole list in drawing order. Only the first kLayerListMaxBytes
// bytes are read. Entries without a file name are left out.
std::vector<LayerEntry> ParseLayerList(std::string_view list, LayerVariant variant);

// Cuts `list` to what a surface can hold (kLayerListMaxBytes, never in the
// middle of a UTF-8 character).
std::string BoundedLayerList(std::string_view list);

// Applies `rule` for layer alpha `alpha` to a pixel buffer of 32-bit ARGB
// values (alpha in the top byte, as QImage::Format_ARGB32 stores them),
// `stride` pixels per row. Only alpha changes; red, green and blue stay.
void ApplyDimming(std::uint32_t* pixels, int width, int height, int stride, DimmingRule rule, int alpha);

// Whether `rule` with layer alpha `alpha` changes any pixel at all.
bool DimmingApplies(DimmingRule rule, int alpha);

// The new alpha of one pixel whose alpha is `a`, under `rule` and `alpha`.
std::uint8_t DimmedAlpha(std::uint8_t a, DimmingRule rule, int alpha);

}  // namespace sp
