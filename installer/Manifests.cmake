# Writes the package manifests of one release into OUT from the templates beside this script:
#   cmake -DVERSION= -DPRODUCT_CODE= -DUPGRADE_CODE= -DDOWNLOAD_URL= -DMSI= -DZIP= -DOUT= -P Manifests.cmake
# Run after the MSI and the ZIP are made (and signed), so the hashes are those of the files shipped.
foreach(required VERSION PRODUCT_CODE UPGRADE_CODE DOWNLOAD_URL MSI ZIP OUT)
    if(NOT DEFINED ${required})
        message(FATAL_ERROR "Manifests.cmake needs -D${required}=")
    endif()
endforeach()
set(templates ${CMAKE_CURRENT_LIST_DIR}/manifests)
get_filename_component(MSI_NAME ${MSI} NAME)
get_filename_component(ZIP_NAME ${ZIP} NAME)
# The ZIP holds one folder, named as the ZIP without "-portable.zip".
string(REGEX REPLACE "-portable\\.zip$" "" ZIP_FOLDER "${ZIP_NAME}")
file(SHA256 ${MSI} MSI_SHA256)
file(SHA256 ${ZIP} ZIP_SHA256)  # lower case, as Scoop writes it
string(TOUPPER ${MSI_SHA256} MSI_SHA256)
file(REMOVE_RECURSE ${OUT})
foreach(pair
        "Marrowfield.Velmora.yaml.in;winget/Marrowfield.Velmora.yaml"
        "Marrowfield.Velmora.installer.yaml.in;winget/Marrowfield.Velmora.installer.yaml"
        "Marrowfield.Velmora.locale.en-US.yaml.in;winget/Marrowfield.Velmora.locale.en-US.yaml"
        "chocolatey/velmora.nuspec.in;chocolatey/velmora.nuspec"
        "chocolatey/tools/chocolateyinstall.ps1.in;chocolatey/tools/chocolateyinstall.ps1"
        "velmora.json.in;scoop/velmora.json")
    list(GET pair 0 template)
    list(GET pair 1 output)
    configure_file(${templates}/${template} ${OUT}/${output} @ONLY NEWLINE_STYLE LF)
endforeach()
