// Shader token parser and interpreters.
#include "shader.h"

namespace d3d9 {

bool ParseShader(const DWORD*, bool, ShaderProgram&, std::string& error) {
    error = "shaders are not supported yet";
    return false;
}

}  // namespace d3d9
