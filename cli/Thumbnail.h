// rgm thumbnail --size N IN OUT.png: the preview a file manager shows.
#pragma once

#include <string>
#include <vector>

// args are the arguments after "thumbnail". Throws UsageError or FileProblem.
int RunThumbnail(const std::vector<std::string>& args);
