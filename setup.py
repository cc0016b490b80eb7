"""Builds the Python module with CMake and bundles the package beside it.

The native part, the package library, the host library it needs and the
message catalogues go into the wheel as xpdb/_xpdb*.so, xpdb/lib/ and
xpdb/share/locale/, where the module and the package look for them. The
CMake build is the tree's own (build/, or $XPDB_BUILD_DIR), so that a
`make build` beforehand leaves little to do.
"""

import os
import pathlib
import shutil
import subprocess

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).parent.resolve()


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(os.environ.get("XPDB_BUILD_DIR", ROOT / "build")).resolve()
        subprocess.check_call(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja", "-DXPDB_PYTHON=ON"])
        subprocess.check_call(["cmake", "--build", str(build), "--target", "xpdb_python", "xpdb_catalogue"])

        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        package = target.parent
        (native,) = (build / "python" / "xpdb").glob("_xpdb*.so")
        package.mkdir(parents=True, exist_ok=True)
        shutil.copy2(native, target)
        lib = package / "lib"
        lib.mkdir(exist_ok=True)
        # The package is loaded by this name; the host library by its soname.
        shutil.copy2(build / "lib" / "libxpdb.so", lib / "libxpdb.so")
        for host in (build / "lib").glob("libxhost.so.*"):
            if host.name.count(".") == 2:
                shutil.copy2(host, lib / host.name)
        locale = build / "share" / "locale"
        for catalogue in locale.rglob("*.mo"):
            bundled = package / "share" / "locale" / catalogue.relative_to(locale)
            bundled.parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(catalogue, bundled)


setup(
    packages=["xpdb"],
    package_dir={"xpdb": "python/xpdb"},
    ext_modules=[Extension("xpdb._xpdb", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    zip_safe=False,
    # setuptools' own staging stays out of the CMake tree's top level.
    options={"build": {"build_base": "build/setuptools"}, "bdist_wheel": {"bdist_dir": "build/setuptools/wheel"}},
)
