// vandrel: the stand-in host's command line. Each subcommand declares its options in its own file.
#include <CLI/CLI.hpp>

#include "renderer/cli/cli_support.h"

int main(int argc, char** argv) {
    CLI::App app{"Vandrel procedural shaders: render, evaluate and inspect shader files"};
    app.require_subcommand(1);
    vandrel::cli::AddCatalogueCommand(app);
    vandrel::cli::AddEvalCommand(app);
    vandrel::cli::AddRenderCommand(app);
    vandrel::cli::AddInfoCommand(app);
    vandrel::cli::AddStudioCommand(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "vandrel ERROR: %s\n", e.what());
        return 1;
    }
    return vandrel::cli::ExitStatus();
}
