// Programs derived at run time from the shader pair the program built, each with one statement
// of the fragment shader replaced, so that a picture can show a quantity the shader computes
// (or what it would draw without one of its steps) without a copy of the shader.
#pragma once
#include "render/shader_program.h"

#include <string>

// The source that a shader object of the program was compiled from, as GL keeps it.
std::string compiledSource(GLhandleARB shader);

// source with the statement that begins with `start` (up to its semicolon) replaced by
// `replacement`; empty when source has no such statement.
std::string replaceStatement(const std::string& source, const std::string& start,
                             const std::string& replacement);

// bumpShader's vertex shader with fragmentSource, built by ShaderProgram itself from two files
// it writes into folder under name. A program without a source reports itself through the
// message box like the program's own.
ShaderProgram buildVariant(const std::string& fragmentSource, const std::string& folder,
                           const std::string& name);
