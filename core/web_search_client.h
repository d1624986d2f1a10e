// The search client of the running program: a WebRequest per worker.
#pragma once

#include "core/search_client.h"

namespace plexaro {

// Clients that fetch with the program's WebRequest and give up a transfer as soon as
// `abortFlag` (when given) turns true.
SearchClientFactory WebSearchClientFactory();

}  // namespace plexaro
