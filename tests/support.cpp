// Anchors the Windows test-support library, whose pieces live in tests/support.
