// The product's names and version, shared by the version box, the update notice and the ticker.
// Must not depend on anything.
#pragma once

namespace brine {

constexpr char kVersionString[] = "0.44";
constexpr char kProductTitle[] = "Brinelight Vespera";  // window class and title, settings key
// The copyright line of the version box and of the first fixed ticker line.
constexpr char kProductCopyright[] = "Brinelight Vespera  Copyright (C) Orvane. All rights reserved.";

}  // namespace brine
