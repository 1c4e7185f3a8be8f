// The updater: one window that downloads the product's installation files and starts the installer.
#include "app/uGetUpdateFile.h"

#include "gui/Application.h"
#include "gui/qt/QtBackend.h"
#include "port/PortErrors.h"

#include <iostream>

int main(int argc, char** argv) {
    try {
        port::OpenMessageTables();
    } catch (const port::EStringResourceError& error) {
        std::cerr << "brantwell: " << error.Message() << "\n";
        return 1;
    }
    gui::TApplication& application = gui::Application();
    const gui::qt::TBackend backend(argc, argv);
    application.SetTitle("NVL Setup");
    auto* window = application.CreateForm<app::TGetUpdateFile>();
    gui::qt::ShowForm(*window);
    const int exitCode = application.Run();
    gui::FreeComponent(window);
    return exitCode;
}
