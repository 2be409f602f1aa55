// The meshes and shaders every renderer shares, loaded once at start-up into the render system's
// numbered resource tables.
#pragma once

// Meshes 0-4 ("PartRender.mesh", "PartsRender.mesh", a screen-sized quad, "StringRender.mesh",
// "BBRender.mesh"), vertex shaders 0-4 and pixel shader 0 ("AlphaFade.pso"). A file that cannot be
// read leaves its entry empty.
void LoadSharedResources(float screenWidth, float screenHeight);
