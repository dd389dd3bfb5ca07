#pragma once
// The reading pass: reads the header of every picture of m_listFiles and leaves in the
// progress dialog the size and resolutions all of them share (0 where they differ), and in the
// settings whether a JPEG is among them (m_bJpegInSelection). Pixels are never decoded.
//
// Runs on the worker thread that CDlgProcess starts in mode PROCESS_READ; param is that
// dialog. Returns 0.
unsigned ReadInfoThreadProc(void* param);
