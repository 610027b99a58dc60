// Exports for other programs: a response as "frequency dB phase" text, as room measurement
// programs import it, and an impulse response as a 32-bit float mono WAV file.
#pragma once

#include "measure/Response.h"
#include "media/FileWriteResult.h"

#include <span>
#include <string>

namespace quilbo {

// Each writes its file whole or not at all, as every file is written (media/AtomicFile.h). A
// response whose columns differ in length is UnsupportedFormat.
FileWriteResult exportResponseText(const std::string& path, const Response& response);
FileWriteResult exportImpulseWav(const std::string& path, std::span<const float> impulse, int rate);

}  // namespace quilbo
