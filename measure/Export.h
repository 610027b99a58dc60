// Exports for other programs: a response as "frequency dB phase" text, as room measurement
// programs import it, and an impulse response as a 32-bit float mono WAV file.
#pragma once

#include "measure/Response.h"

#include <span>
#include <string>

namespace quilbo {

// Each returns empty on success, else why the file could not be written.
std::string exportResponseText(const std::string& path, const Response& response);
std::string exportImpulseWav(const std::string& path, std::span<const float> impulse, int rate);

}  // namespace quilbo
