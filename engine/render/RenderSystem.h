// The render system in one include: layers and their key-ordered queue, render-object tables,
// environments, render processes, the texture-stage cache and the rendering manager, each in a file of
// its own.
#pragma once
#include "engine/render/Environment.h"
#include "engine/render/PriorityQueue.h"
#include "engine/render/RenderElementManager.h"
#include "engine/render/RenderObjectTable.h"
#include "engine/render/RenderObjectVector.h"
#include "engine/render/RenderProcess.h"
#include "engine/render/RenderingManager.h"
#include "engine/render/SelectableCurrent.h"
