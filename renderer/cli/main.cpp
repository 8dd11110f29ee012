// vandrel: the stand-in host's command line. Each subcommand declares its options in its own file.
#include <CLI/CLI.hpp>
#include <new>

#include "components/registry.h"
#include "renderer/cli/cli_support.h"

int main(int argc, char** argv) {
    vandrel::InstallComponents();
    CLI::App app{"Vandrel procedural shaders: render, bake, evaluate and inspect shader files"};
    app.require_subcommand(1);
    vandrel::cli::AddCatalogueCommand(app);
    vandrel::cli::AddEvalCommand(app);
    vandrel::cli::AddRenderCommand(app);
    vandrel::cli::AddBakeCommand(app);
    vandrel::cli::AddInfoCommand(app);
    vandrel::cli::AddStudioCommand(app);
    vandrel::cli::ReportMessagesAsLines();
    // Whatever goes wrong in a subcommand (out of memory, of threads, of file handles) ends as one
    // error line and status 1, never as an abort.
    const auto command = [&app] {
        const std::vector<CLI::App*> chosen = app.get_subcommands();
        return chosen.empty() ? std::string("vandrel") : chosen.front()->get_name();
    };
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "vandrel ERROR: %s\n", e.what());
        return 1;
    } catch (const std::bad_alloc&) {
        vandrel::cli::PrintError(command(), "out of memory");
        return 1;
    } catch (const std::exception& e) {
        vandrel::cli::PrintError(command(), e.what());
        return 1;
    }
    return vandrel::cli::FinalStatus();
}
