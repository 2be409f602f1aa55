// Our stand-in for D3DX 9: matrix and vector helpers (row vectors, as Direct3D uses them), textures
// and surfaces loaded from image files in memory, and meshes with the .x text reader.
#pragma once
#include <d3d9.h>

#define D3DX_DEFAULT ((UINT)-1)
#define D3DX_DEFAULT_NONPOW2 ((UINT)-2)
#define D3DX_FROM_FILE ((UINT)-3)
#define D3DFMT_FROM_FILE ((D3DFORMAT)-3)
#define D3DX_FILTER_NONE (1 << 0)
#define D3DX_FILTER_POINT (2 << 0)
#define D3DX_FILTER_LINEAR (3 << 0)
#define D3DX_FILTER_TRIANGLE (4 << 0)
#define D3DX_FILTER_BOX (5 << 0)
#define D3DX_FILTER_DITHER (1 << 19)
#define D3DXERR_INVALIDDATA MAKE_HRESULT(1, 0x876, 2905)
#define D3DXERR_INVALIDMESH MAKE_HRESULT(1, 0x876, 2900)

// ---- Math ----

struct D3DXVECTOR2 {
    D3DXVECTOR2() = default;
    D3DXVECTOR2(float x_, float y_) : x(x_), y(y_) {}
    float x, y;
};

struct D3DXVECTOR3 : D3DVECTOR {
    D3DXVECTOR3() = default;
    D3DXVECTOR3(float x_, float y_, float z_) : D3DVECTOR{x_, y_, z_} {}
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
    D3DXVECTOR3 operator+(const D3DXVECTOR3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& o) const { return {x - o.x, y - o.y, z - o.z}; }
    D3DXVECTOR3 operator*(float s) const { return {x * s, y * s, z * s}; }
    D3DXVECTOR3 operator-() const { return {-x, -y, -z}; }
    D3DXVECTOR3& operator+=(const D3DXVECTOR3& o) { return *this = *this + o; }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& o) { return *this = *this - o; }
    bool operator==(const D3DXVECTOR3& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct D3DXVECTOR4 {
    D3DXVECTOR4() = default;
    D3DXVECTOR4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}
    operator float*() { return &x; }
    operator const float*() const { return &x; }
    float x, y, z, w;
};

struct D3DXMATRIX : D3DMATRIX {
    D3DXMATRIX() = default;
    D3DXMATRIX(const D3DMATRIX& m) : D3DMATRIX(m) {}
    explicit D3DXMATRIX(const float* f);
    D3DXMATRIX(float m11, float m12, float m13, float m14, float m21, float m22, float m23, float m24, float m31,
               float m32, float m33, float m34, float m41, float m42, float m43, float m44);
    float& operator()(UINT row, UINT col) { return m[row][col]; }
    float operator()(UINT row, UINT col) const { return m[row][col]; }
    operator float*() { return &_11; }
    operator const float*() const { return &_11; }
    D3DXMATRIX operator*(const D3DXMATRIX& o) const;
    D3DXMATRIX& operator*=(const D3DXMATRIX& o) { return *this = *this * o; }
    bool operator==(const D3DXMATRIX& o) const;
};

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out);
D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
// Null (and out untouched) when the matrix has no inverse.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, float* determinant, const D3DXMATRIX* m);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z);
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle);
// Roll about z, then pitch about x, then yaw about y.
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll);
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up);
D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up);
// Orthographic projections with depth mapped to 0..1.
D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, float w, float h, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf);
D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, float l, float r, float b, float t, float zn, float zf);
// (x, y, z, 1) times the matrix, without dividing by w.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (x, y, z, 1) times the matrix, divided by w.
D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b);
float D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b);
float D3DXVec3Length(const D3DXVECTOR3* v);

// ---- Textures and surfaces from image files ----

enum D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_HDR = 7,
    D3DXIFF_PFM = 8,
    D3DXIFF_FORCE_DWORD = 0x7FFFFFFF
};
struct D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
};
struct PALETTEENTRY {
    BYTE peRed, peGreen, peBlue, peFlags;
};

HRESULT D3DXCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT mipLevels, DWORD usage,
                          D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture);
HRESULT D3DXGetImageInfoFromFileInMemory(const void* data, UINT size, D3DXIMAGE_INFO* info);
HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* device, const void* data, UINT size,
                                          IDirect3DTexture9** texture);
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* device, const void* data, UINT size, UINT width,
                                            UINT height, UINT mipLevels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                            DWORD filter, DWORD mipFilter, D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo,
                                            PALETTEENTRY* palette, IDirect3DTexture9** texture);
HRESULT D3DXLoadSurfaceFromFileInMemory(IDirect3DSurface9* surface, const PALETTEENTRY* palette, const RECT* destRect,
                                        const void* data, UINT size, const RECT* srcRect, DWORD filter,
                                        D3DCOLOR colorKey, D3DXIMAGE_INFO* srcInfo);

// ---- Meshes ----

#define MAX_FVF_DECL_SIZE (MAXD3DDECLLENGTH + 1)
enum _D3DXMESH {
    D3DXMESH_32BIT = 0x001,
    D3DXMESH_DONOTCLIP = 0x002,
    D3DXMESH_VB_SYSTEMMEM = 0x010,
    D3DXMESH_VB_MANAGED = 0x020,
    D3DXMESH_VB_WRITEONLY = 0x040,
    D3DXMESH_VB_DYNAMIC = 0x080,
    D3DXMESH_IB_SYSTEMMEM = 0x100,
    D3DXMESH_IB_MANAGED = 0x200,
    D3DXMESH_IB_WRITEONLY = 0x400,
    D3DXMESH_IB_DYNAMIC = 0x800,
    D3DXMESH_SYSTEMMEM = 0x110,
    D3DXMESH_MANAGED = 0x220,
    D3DXMESH_WRITEONLY = 0x440,
    D3DXMESH_DYNAMIC = 0x880,
};

struct ID3DXBuffer : IUnknown {
    virtual void* GetBufferPointer() = 0;
    virtual DWORD GetBufferSize() = 0;
};
using LPD3DXBUFFER = ID3DXBuffer*;

struct D3DXMATERIAL {
    D3DMATERIAL9 MatD3D;
    char* pTextureFilename;
};

struct ID3DXMesh : IUnknown {
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual HRESULT GetDeclaration(D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual DWORD GetNumBytesPerVertex() = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(IDirect3DDevice9** device) = 0;
    virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice9* device, ID3DXMesh** clone) = 0;
    virtual HRESULT CloneMesh(DWORD options, const D3DVERTEXELEMENT9* declaration, IDirect3DDevice9* device,
                              ID3DXMesh** clone) = 0;
    virtual HRESULT GetVertexBuffer(IDirect3DVertexBuffer9** buffer) = 0;
    virtual HRESULT GetIndexBuffer(IDirect3DIndexBuffer9** buffer) = 0;
    virtual HRESULT LockVertexBuffer(DWORD flags, void** data) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD flags, void** data) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
};
using LPD3DXMESH = ID3DXMesh*;

UINT D3DXGetFVFVertexSize(DWORD fvf);
HRESULT D3DXDeclaratorFromFVF(DWORD fvf, D3DVERTEXELEMENT9 declaration[MAX_FVF_DECL_SIZE]);
HRESULT D3DXFVFFromDeclarator(const D3DVERTEXELEMENT9* declaration, DWORD* fvf);
UINT D3DXGetDeclVertexSize(const D3DVERTEXELEMENT9* declaration, DWORD stream);
HRESULT D3DXCreateMesh(DWORD faces, DWORD vertices, DWORD options, const D3DVERTEXELEMENT9* declaration,
                       IDirect3DDevice9* device, ID3DXMesh** mesh);
HRESULT D3DXCreateMeshFVF(DWORD faces, DWORD vertices, DWORD options, DWORD fvf, IDirect3DDevice9* device,
                          ID3DXMesh** mesh);
// Reads a text .x file: every mesh of the file, placed by its frames, merged into one mesh.
HRESULT D3DXLoadMeshFromXInMemory(const void* data, DWORD size, DWORD options, IDirect3DDevice9* device,
                                  ID3DXBuffer** adjacency, ID3DXBuffer** materials, ID3DXBuffer** effectInstances,
                                  DWORD* materialCount, ID3DXMesh** mesh);
