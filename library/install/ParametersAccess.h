#pragma once

#include "Quillon.h"

// Who may read a service's Parameters key, which holds its environment (often passwords and
// tokens): Administrators and SYSTEM read and write, the service's own account reads, nobody else.
namespace parameters_access {

// Sets that security on the key. An account the system cannot find (a domain account of a domain
// this machine cannot reach) is told to the notice sink and left out.
void Restrict(const ServiceDefinition& definition, const InstallCallbacks& callbacks);

}  // namespace parameters_access
