#pragma once

class CRegUtil;
class RegistryStore;

// One command's writes as one: while a scope lives, the values written through its store are
// kept in memory (reads see them); when the last scope ends the file is locked, written and
// handed to a running Wine once for all of them. Each value is still written on its own terms:
// an error that ends the command early keeps the values written before it.
class RegWriteScope {
public:
    explicit RegWriteScope(RegistryStore &store);
    explicit RegWriteScope(CRegUtil &reg);
    ~RegWriteScope();
    RegWriteScope(const RegWriteScope &) = delete;
    RegWriteScope &operator=(const RegWriteScope &) = delete;

private:
    RegistryStore &m_store;
};
