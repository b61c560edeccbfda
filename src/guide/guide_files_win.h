// The guide files present in the TVGuide folder beside the exe.
#pragma once
#include <string>
#include <vector>

namespace strevo {

// The ".ndx" names without extension, in the order the folder lists them.
std::vector<std::string> GuideFileNames(const std::string& exeFolder);

}  // namespace strevo
