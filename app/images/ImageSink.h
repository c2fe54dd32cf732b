// Where the loader thread hands the server's pictures: the image store implements it, and a
// test can feed a store through it without a network or watch what a loader hands over.
#pragma once

#include <cstddef>

class CImageSink {
public:
    // Each call decodes the bytes and files the picture; false when they do not decode (nothing
    // is filed then). The caller keeps the bytes. One thread at a time; blocks for the decoding.
    //
    // The picture that takes the first slide's place.
    virtual bool SetFirstImage(const unsigned char* pData, size_t nSize) = 0;
    // The slide after the last one filed; a picture that does not decode takes no number.
    virtual bool AddSlideImage(const unsigned char* pData, size_t nSize) = 0;
    // The picture of the finish page.
    virtual bool SetLastImage(const unsigned char* pData, size_t nSize) = 0;

protected:
    ~CImageSink() = default;
};
