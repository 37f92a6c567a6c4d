#pragma once
// Placeholder replaced by the base layer.
