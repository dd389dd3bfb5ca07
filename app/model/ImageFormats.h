#pragma once
// The image library's side of the format table: which library format writes each save type.
//
// Callers: the resize job and the reading pass (any thread; the mapping is constant).
#include "app/model/formats/FormatTable.h"

// Image library format number of a save type (3 for JPEG), 0 for SAVE_TYPE_SOURCE and codes
// without a row.
int ToImageFormat(int code);

// Whether pictures of this image library format are saved at the quality slider's value: the
// lossy formats JPEG, WebP, AVIF and HEIC. A selection holding one lets "the same as source"
// use the slider.
bool HasQuality(int imageFormat);
