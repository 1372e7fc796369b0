#pragma once

#include "Quillon.h"
#include "XMLConfiguration.h"

// Turns a valid configuration into the record to install, checking on the way that the
// programs and directories exist and that the name can be a service key. The first failed
// check throws; the record then holds what was converted before it.
void ConvertDefinition(const XMLConfiguration& configuration, ServiceDefinition& definition,
                       unsigned char* forceReplace);
