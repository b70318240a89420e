// A host of the shared library, built with -fsanitize=undefined: its calls
// through a CWaveGenerator pointer, typeid and dynamic_cast need the class's
// type information from the library.
#include <Presentation.h>
#include <WaveGenerator.h>

#include <d3d9.h>

#include <gtest/gtest.h>

#include <typeinfo>

TEST(Exports, AHostSeesTheClassTypeInformationOfTheLibrary)
{
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr);
    D3DPRESENT_PARAMETERS pp = swk::test::presentation(16, 16, D3DFMT_X8R8G8B8);
    IDirect3DDevice9* device = nullptr;
    ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp, &device),
              D3D_OK);
    CDeviceRestorable* restorable = new CWaveGenerator(device, 16, 16);
    auto* generator = dynamic_cast<CWaveGenerator*>(restorable);
    EXPECT_EQ(generator, restorable);
    EXPECT_EQ(typeid(*restorable), typeid(CWaveGenerator));
    generator->Update(16);
    EXPECT_NE(generator->GetNormalMap(), nullptr);
    delete restorable;
    device->Release();
    d3d->Release();
}
