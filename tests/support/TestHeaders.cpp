// The logic tests' shared headers are precompiled in a target of their own, which needs a
// source file: this one. It holds no code.
