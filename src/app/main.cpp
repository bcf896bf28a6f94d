#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "app/Startup.h"

int main(int argc, char **argv)
{
    using namespace lumisnap;
    // Both before the application object: --help needs no display, and a later start
    // hands its path over without opening one.
    const CommandLine command = CommandLine::parse(argc, argv);
    if (command.action != CommandLine::Action::Run)
        return command.print();
    SingleInstance instance;
    if (instance.claim(command.path, qgetenv("XDG_ACTIVATION_TOKEN"))
        == SingleInstance::Role::HandedOver)
        return 0;

    Application app(argc, argv);
    instance.serve();
    return runStartup(app, command.path, &instance);
}
