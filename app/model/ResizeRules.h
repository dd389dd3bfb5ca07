#pragma once
// The rules of a resize run that need no window: the status line of a pass and the target size
// of a picture. Plain functions of their arguments, so tests call them directly.
//
// Called by the passes on their worker thread and by CDlgProcess.
#include "app/model/base/ResizeSetting.h"

#include <cstdint>
#include <string>

// "<verb> : <path>" when the path is at most 40 characters long, else "<verb> : ..." and the
// path's last 37 characters, so the line is never longer than the verb plus 40 characters.
// Characters are counted as UTF-8 code points, never cut in half.
std::string MakeStatusLine(const std::string& verb, const std::string& path);

// Target width and height of a w × h picture under the settings, with sw × sh the desktop's
// size: the desktop fit when bDesktop is set, else each side by its unit (0 pixels, 1
// percent, anything else gives 0). 32-bit signed arithmetic throughout: products wrap,
// quotients truncate toward zero; a w or h of 0 gives 0. With bShrinkOnly ("Never enlarge") a
// side larger than the picture's own keeps the picture's.
std::int32_t CalcTargetWidth(const ResizeSetting& s, std::int32_t w, std::int32_t h,
                             std::int32_t sw, std::int32_t sh);
std::int32_t CalcTargetHeight(const ResizeSetting& s, std::int32_t w, std::int32_t h,
                              std::int32_t sw, std::int32_t sh);
