// Anchor for the fakes library; each fake lives in its own file beside this one.
