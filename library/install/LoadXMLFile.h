#pragma once

#include "Quillon.h"
#include "RelativePaths.h"

// LoadXMLFile with the folder the definition's relative paths are taken from (the one the host
// will run from) and who is told where each points.
void LoadDefinitionFile(const char* fileName, ServiceDefinition* definition, unsigned char* forceReplace,
                        bool errorsInException, const relative_paths::Base& base);
