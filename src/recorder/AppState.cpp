// Process-wide application state.
#include "recorder/AppState.h"

AppState& App() {
    static AppState app;
    return app;
}

void ResolveAppFolders(AppState& app) {
    static_cast<ProgramFolders&>(app) = ResolveProgramFolders();
}
