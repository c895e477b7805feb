#include "resources/resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initialiseMorvaneResources() {
    Q_INIT_RESOURCE(morvane);
}

namespace morvane::resources {

void initialise() {
    initialiseMorvaneResources();
}

} // namespace morvane::resources
