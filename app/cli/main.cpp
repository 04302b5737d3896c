// velkor-cli: the batch front end for scripts and for machines without a
// desktop.
#include "app/cli/run_cli.h"

int main(int argc, char** argv) { return app::cli::CliMain(argc, argv); }
