// The updater: one window that downloads the product's installation files and starts the installer.
#include "app/uGetUpdateFile.h"

#include "gui/Application.h"
#include "port/PortErrors.h"

#ifdef _WIN32
#include "gui/win32/Win32Backend.h"
namespace backend = gui::win32;
#else
#include "gui/qt/QtBackend.h"
namespace backend = gui::qt;
#endif

#include <iostream>

int main(int argc, char** argv) {
    try {
        port::OpenMessageTables();
    } catch (const port::EStringResourceError& error) {
        std::cerr << "brantwell: " << error.Message() << "\n";
        return 1;
    }
    gui::TApplication& application = gui::Application();
    const backend::TBackend backend(argc, argv);
    application.SetTitle("NVL Setup");
    auto* window = application.CreateForm<app::TGetUpdateFile>();
    backend::ShowForm(*window);
    const int exitCode = application.Run();
    gui::FreeComponent(window);
    return exitCode;
}
