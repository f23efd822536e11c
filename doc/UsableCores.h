// How many threads the work of this process may use.
#pragma once

// The cores this process may run on: those of its affinity mask (taskset,
// cpusets of batch schedulers), else what the machine reports; at least 1.
unsigned UsableCores();

// Tells picture imports that `jobs` of them run at once, so that each takes
// its share of the usable cores (at least one thread). 0 or 1: one at a time.
void ShareCoresAmongImports(unsigned jobs);

// The cores one picture import may use.
unsigned CoresPerImport();
