#include "app_program.h"

#include <gtest/gtest.h>

namespace quorva::testing {
namespace {

TEST(ProgramStartUp, MissingDataFilesEndStartUpWithTheirMessage)
{
    ASSERT_TRUE(std::filesystem::exists(binDirectory() / "quorva")) << "quorva must be built before these tests";
    {
        ProgramCopy program({});
        const ProgramRun run = program.run("", "SDL_VIDEODRIVER=dummy");
        EXPECT_EQ(run.errors, "dib0 create error\n");
        EXPECT_EQ(run.exitCode, 255);
    }
    {
        ProgramCopy program({"bmp.dat", "inst.dat"});
        const ProgramRun run = program.run("", "SDL_VIDEODRIVER=dummy");
        EXPECT_EQ(run.errors, "txnm create error\n");
        EXPECT_EQ(run.exitCode, 255);
    }
    {
        ProgramCopy program({"bmp.dat", "fnm.dat", "inst.dat"});
        const ProgramRun run = program.run("", "SDL_VIDEODRIVER=dummy");
        EXPECT_EQ(run.errors, "txsm create error\n");
    }
    {
        // The fonts load, and still the instrument names are missing.
        ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat"});
        const ProgramRun run = program.run("", "SDL_VIDEODRIVER=dummy");
        EXPECT_EQ(run.errors, "instrument create error\n");
        EXPECT_EQ(run.exitCode, 255);
    }
    {
        ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat"});
        const ProgramRun run = program.run("", "SDL_VIDEODRIVER=no-such-driver");
        EXPECT_EQ(run.errors, "main window create error\n");
        EXPECT_EQ(run.exitCode, 255);
    }
}

TEST(ProgramStartUp, RunsASongAndEndsCleanlyWhenAskedTo)
{
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat"});
    program.dir().write("setting.dat", nullPortSettings());
    program.dir().write("song one.mid", shortSong());
    const ProgramRun run = program.run("'" + (program.dir() / "song one.mid").string() + "'", "SDL_VIDEODRIVER=dummy", 1.5);
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(run.exitCode, 0);

    // A song that is not there leaves the player idle, and one line says why.
    const ProgramRun missing = program.run("no-such-song.mid", "SDL_VIDEODRIVER=dummy", 1.0);
    EXPECT_EQ(missing.errors, "quorva: cannot play \"/no-such-song.mid\": no such file\n");
    EXPECT_EQ(missing.exitCode, 0);
}

TEST(ProgramStartUp, UnopenablePortFallsBackToTheNullPort)
{
    // The FM synthesizer (output 2) cannot open without its tone file: the message, then the
    // program runs on the NULL port.
    ProgramCopy program({"bmp.dat", "fnm.dat", "fsm.dat", "inst.dat"});
    program.dir().write("setting.dat", std::vector<uint8_t>{2, 1, 0, 2, 2, 2, 3, 0, 1, 2, 0});
    const ProgramRun run = program.run("", "SDL_VIDEODRIVER=dummy", 1.0);
    EXPECT_EQ(run.errors, "midiport create error\n");
    EXPECT_EQ(run.exitCode, 0);
}

}  // namespace
}  // namespace quorva::testing
