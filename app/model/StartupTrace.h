#pragma once
// With VTL_TRACE set in the environment, vtl tells on standard error when its first picture
// decode began, in one line:
//   vtl trace: first_decode_ms=23.4 realtime=1702003456.123456
// first_decode_ms counts from the process start as the system recorded it; realtime is the
// wall clock at that moment, for a caller that noted the time it started the process.
// bench/resize-job-run reads it. Without VTL_TRACE nothing is printed.
//
// Callers: the resize job, on any of its threads, once each picture's header is read; only
// the first call of the process prints.
void TraceFirstDecode();
