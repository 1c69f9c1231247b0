// mtools, run as programs with an argument list (never through a shell):
// how a removal writes to a FAT volume inside an image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Sets the environment mtools runs in; called once, before any thread starts.
void PrepareMtools();
// Runs one mtools command; true when it exited 0.
bool RunMtools(const std::vector<std::string>& arguments);
// The -i argument for a volume at a byte offset of an image.
std::string MtoolsImage(const std::string& image, uint64_t offset);
// A volume-relative path as mtools names it (::/WINDOWS/X.EXE).
std::string MtoolsPath(const std::string& path);
