// Written by tools/make_intrinsic_images.py, which draws these pictures; run it again
// rather than editing the text by hand.

#include "ads/fullscreen/GADIntrinsicImageData.h"

namespace ads::GADIntrinsicImageData {

// 25 x 25 pixels.
const char* const kCloseButton =
    "iVBORw0KGgoAAAANSUhEUgAAABkAAAAZCAYAAADE6YVjAAABXklEQVR42s1WO07DQBBNkUO4cm+fYw9gyY1bN77S"
    "CiORyjQgIc4QREGbkjO4sCUUi2azb/GTRuAMIYQVI41WuzvzXibzWa9W/0Gcc8ar9brzuncfsp/3ODe/AS+8vrrT"
    "BHbFT8DXXjf07vt+7Lrupa7rhzzPb5IkucKKPc5xL8jgtz6FYAvraZrerbVPaZpeA/iY4h52sJ+JtioRIxiG4a0s"
    "yzsN/LPCHn6MSMtBiIAEVVXdG2NuNXDcw45EIqJiiSQkGaGTgKRN0zwuEeCcoCSCP4thqUxDkpkD/EICLBFJAqyM"
    "GP6iGIwkQb07VIsGRKJj51TgzCRWkqCxHMpS+0uwtm37rBFAgTOT7CRJ6GT2gUZE0XIFHE4GSRJEqyJEIEmw1+xp"
    "9yWSLMsuEglwliKJkpMo1fX3fRKl46PNLjmFx3E8awrDT53C0d6T715G9hHWs1/GaG981K+VS8oBtTJCgy4WvFwA"
    "AAAASUVORK5CYII=";

// 50 x 50 pixels.
const char* const kCloseButtonDoubleDensity =
    "iVBORw0KGgoAAAANSUhEUgAAADIAAAAyCAYAAAAeP4ixAAACuElEQVR42u1aMWsqQRBOaWFheZX108bef6DYaWGp"
    "/yA/wX9gHYSkeEiKPAjYiM9/ENEQeJ3wLES0SEinPEK47Ad3vHNubu9ubzVhyMAHcu7OzHc7uzO7excX3yJUXNct"
    "KLQU+gpjhaXCwf0vB+/Z2GuDtoWv4nxOoaMwVXhz08ub1xc6cp9F4FJh69qTraczdy4SDYWVezqB7sYpCeQVBjoP"
    "1uv182g0eur1er+bzeZdpVK5cRznCsBvPMN/aIO2MYRgK2+bhKPwyFnb7/f/4Fi9Xr/1nU4K9EFf6IggA5uOLRI/"
    "8LKphXclcCL41k0BHdAFndxAwwcbIxEisdlsXtrt9q+sBCigE7ojyDhZ5kQonObz+apcLl/bJuEDumEjIszyJkRC"
    "E3s2m/0tFouDU5HwARuwxS0AJktsaCTOQSJIJmJkGmmS3YrOCRpO3W73fjKZ/BkOhw9ZJjz6Qgd0QScNM2bOrBIl"
    "TS+7Hq1OdGLDYHCF2e12r9Vq9WdaEuiDvkFblAxsM6vZZZLROCo7sCxSB/D26HinJUNJ+ALdtC18YMqZnI5IhyY7"
    "LmwQClz2SkomigQEurnwY5JmR0dkGjcavuIoR+LI6EjgedR8Y0ZlqttPHJXiurIjziGOjEmfYDnDbAEKHJEWLQCz"
    "hAh1LAsJH0yh2eKI9JOElQkZGyQiwqvPERkHW6DczroC+Y7aIAHAJ6JizBFZBltg75AlJ8SJSe6BT0TNkiMSPChw"
    "TbJ1UjKmCRQ+EVUHjsiRmJYccWRMSfig+kQTERNaYia7mOVXTEIUU6KEisZarfZlikb4kqhoFFPGS9tYydjqijl8"
    "0B0HlUqlsx8HwabxcZCYAzpRR6Zxh9g0zGwCuheLhb1DbDHXCqIuetJcvenKGV3ZcbarN1GXoaKup8V9MCDqEw5x"
    "H9V8ywnkA7UVcszQGaFQAAAAAElFTkSuQmCC";

// 27 x 27 pixels.
const char* const kBrowserBackButton =
    "iVBORw0KGgoAAAANSUhEUgAAABsAAAAbCAYAAACN1PRVAAAAWElEQVR42mNgGAWDAfz//58HhOlhUQgQf4ZiB1pb"
    "9Ps/Akynl0W/aeIzHBaFjFo0Mi1yoItFUMum/0cF/bTMuPTzGV3jbNTCYW/hMKjP6F5T070NMgpgAAA0K50KvK7g"
    "RQAAAABJRU5ErkJggg==";

// 54 x 54 pixels.
const char* const kBrowserBackButtonDoubleDensity =
    "iVBORw0KGgoAAAANSUhEUgAAADYAAAA2CAYAAACMRWrdAAAAjUlEQVR42u3asQmAMBQG4QyTwv3XeINkjKcpRFAR"
    "bYI57iBg+4Gk8LcUMzOzMWVm7YcEWrYTedSfFwKq5bUgovYqETUf7CUqiKg21eUhSpQoUaJEiRIl6gkWRFTFodAw"
    "7KuIvjzEiRMnTpw4ceLE/RU35z6GnJE+4Obdo5FT7QnHGtdvPjNwfocwM7NRrWMm1DYvCspyAAAAAElFTkSuQmCC";

// 27 x 27 pixels.
const char* const kBrowserForwardButton =
    "iVBORw0KGgoAAAANSUhEUgAAABsAAAAbCAYAAACN1PRVAAAAWElEQVR42mNgGAX0Av///+cBYXpY5ADEn6E4hNaW"
    "Tf+PAL9paiHUZ7/paWHIqIWjFlLDQgdaWtj/HxVMH9o+o1ucjVo0JCyiX6k/EPUZfWpqurZBRgExAADu650KbGX7"
    "bwAAAABJRU5ErkJggg==";

// 54 x 54 pixels.
const char* const kBrowserForwardButtonDoubleDensity =
    "iVBORw0KGgoAAAANSUhEUgAAADYAAAA2CAYAAACMRWrdAAAAj0lEQVR42u3aYQaAQBCA0Q6zP7r/NfYgHWMrSolK"
    "JM14H0t/H2NYW9dJkvSs1lqZTyZQP53atubvPgNsj1obQuOW8TsrLu4GFh5XU+KW5THAwcHBwcHBwcHBfYSrkW/d"
    "d7gCZhQtDygoKCgoKCgoqHdgNSOqZL0N53z4uxjF2Kjd8sj3uH4Yyzy/Q0iS/t4IdZLUNkAUrIkAAAAASUVORK5C"
    "YII=";

}  // namespace ads::GADIntrinsicImageData
