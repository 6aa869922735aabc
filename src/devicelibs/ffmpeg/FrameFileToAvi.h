#pragma once

#include <string>

namespace strovik {

// The AVI written for a frame-format file: the same path with its extension replaced by ".avi"
// (appended when the name has none).
std::string AviPathFor(const std::string& frameFilePath);

// Remuxes a frame-format file into AviPathFor(path): every picture from the first key frame on,
// and the sound when the file has any, without re-encoding. A file cut short inside a frame (a
// partial download) is converted up to its last whole frame. Returns false, writing nothing, when
// the file holds no decodable key frame (for instance when it is not frame format at all). The AVI
// is written as AviPathFor(path) + ".part" and takes its name only when it is whole.
bool ConvertFrameFileToAvi(const std::string& frameFilePath);

}  // namespace strovik
