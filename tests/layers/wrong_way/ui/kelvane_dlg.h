#pragma once
// A window header, for the check that the engine may not include it.
