// The lookup yields nothing for a name the GL library lacks, where GLX alone would hand out a stub.
// That it finds the fourteen names the program fetches shows in the shader tests, which build
// through it.
#include "platform/gl_entry_points.h"

#include "tests/support/gl_context.h"

#include <gtest/gtest.h>

namespace {

TEST(GlEntryPointsTest, ANameTheLibraryLacksYieldsNullptr)
{
    ensureGlContext();
    // The shader build relies on this to notice a driver that lacks an entry point.
    EXPECT_EQ(systemGlProcLookup("glKullerixMadeUpEntryPointARB"), nullptr);
    EXPECT_EQ(lookupGlProc("glKullerixMadeUpEntryPointARB"), nullptr) << "the lookup in use";
}

}  // namespace
