#pragma once

namespace ombrix {}  // namespace ombrix
