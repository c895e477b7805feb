#pragma once

namespace morvane::resources {

// Registers the program's pictures (":/res/<resource number>.svg") with Qt's resource system.
// Needed once per process because the resources live in a static library.
void initialise();

} // namespace morvane::resources
