// The entry-point lookup and extension string find what real Mesa offers, and nothing made up.
#include "platform/gl_entry_points.h"

#include "tests/support/gl_context.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

TEST(GlEntryPointsTest, FindsRealEntryPointsAndNoneForAMadeUpName)
{
    ensureGlContext();
    // The shader build relies on this to notice a driver that lacks an entry point.
    EXPECT_EQ(systemGlProcLookup("glKullerixMadeUpEntryPointARB"), nullptr);
    EXPECT_NE(systemGlProcLookup("glCreateProgramObjectARB"), nullptr);
    EXPECT_NE(systemGlProcLookup("glUniformMatrix4fvARB"), nullptr);
    EXPECT_EQ(lookupGlProc("glKullerixMadeUpEntryPointARB"), nullptr);
}

TEST(GlEntryPointsTest, TheExtensionStringNamesTheShaderExtensions)
{
    ensureGlContext();
    const char* extensions = glExtensionString();
    ASSERT_NE(extensions, nullptr);
    EXPECT_NE(strstr(extensions, "GL_ARB_shader_objects"), nullptr);
    EXPECT_NE(strstr(extensions, "GL_ARB_shading_language_100"), nullptr);
}

}  // namespace
