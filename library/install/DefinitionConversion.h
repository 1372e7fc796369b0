#pragma once

#include "Quillon.h"
#include "RelativePaths.h"
#include "XMLConfiguration.h"

// Turns a valid configuration into the record to install, checking on the way that the
// programs and directories exist and that the name can be a service key. The first failed
// check throws; the record then holds what was converted before it. Relative paths are checked
// as taken from `base.folder` (none: from the current folder), and each is told to `base.note`.
void ConvertDefinition(const XMLConfiguration& configuration, ServiceDefinition& definition,
                       unsigned char* forceReplace, const relative_paths::Base& base = {});
