#include "app/Application.h"
#include "app/Startup.h"

int main(int argc, char **argv)
{
    lumisnap::Application app(argc, argv);
    return lumisnap::runStartup(app);
}
