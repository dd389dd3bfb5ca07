#pragma once
// The reading pass: reads the header of every picture of m_listFiles and reports, as its
// result, the size and resolutions all of them share (0 where they differ); it leaves in the
// settings whether a picture of a lossy format (JPEG, WebP, AVIF, HEIC) is among them
// (m_bJpegInSelection). Pixels are never decoded. A picture that cannot be read counts as one
// of 0 × 0 pixels at 0 dots per inch. No exception leaves the pass.
//
// Runs on the worker thread that CDlgProcess starts in mode PROCESS_READ.
class CAppSetting;
class IPassSink;

void ReadInfoThreadProc(IPassSink& sink, CAppSetting& app);
