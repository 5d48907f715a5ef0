#pragma once

namespace morvel {

class Windows;
struct DownloadEndpoint;

// Makes every window of the program known to the hand-over by its name; the
// confirmation downloads go where `endpoint` says (the services themselves
// when it is empty).
void addProgramWindows(Windows& windows);
void addProgramWindows(Windows& windows, const DownloadEndpoint& endpoint);

}  // namespace morvel
