// Owner of a decoded FreeImage bitmap: unloaded when the owner goes, at every
// exit. Code outside engine/ holds one without seeing FreeImage itself.
#pragma once
#include <memory>

struct FIBITMAP;

struct FreeImageUnloader {
    void operator()(FIBITMAP* image) const;
};

using ImagePtr = std::unique_ptr<FIBITMAP, FreeImageUnloader>;
